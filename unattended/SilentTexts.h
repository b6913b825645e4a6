#pragma once

#include <string_view>

// Every sentence the command line writes to its output and its log, in
// German. %1, %2 … mark the gaps that Text::Fill fills; a name or path in a
// gap comes already in German quotes („…“).
namespace SilentTexts {

// --- The course of a run -----------------------------------------------------
inline constexpr std::wstring_view kStart = L"Bildkranz %1: %2; Sicherungsordner %3";
inline constexpr std::wstring_view kTypes = L"Typen";
inline constexpr std::wstring_view kBackupWritten = L"Sicherung %1: %2 Bytes";
inline constexpr std::wstring_view kUndoWritten = L"Rückgängig-Datei %1";
inline constexpr std::wstring_view kNotWritten = L"Nicht geschrieben: %1";
inline constexpr std::wstring_view kIncomplete =
    L"Ergebnis: unvollständig, %1 Werte konnten nicht geschrieben werden. Starten Sie das "
    L"Programm mit Administratorrechten. %2";
inline constexpr std::wstring_view kRegistered =
    L"Ergebnis: Die Dateitypen wurden registriert und mit den Programmen verknüpft. %1";
inline constexpr std::wstring_view kAlreadyThere =
    L"Die Registrierung enthält schon alles, was dieser Lauf schreiben würde.";
inline constexpr std::wstring_view kNothingDone =
    L"%1 Es wurde nichts geändert und nichts gesichert. %2";
// Ends every message of a run that stopped before the first change.
inline constexpr std::wstring_view kNothingChanged = L" Es wurde nichts geändert. ";
inline constexpr std::wstring_view kError = L"Fehler: %1";
inline constexpr std::wstring_view kForAccount =
    L"Registrierung nur für das Benutzerkonto %1 (HKEY_CURRENT_USER).";
inline constexpr std::wstring_view kRegisteredForAccount =
    L"Ergebnis: Die Dateitypen wurden für das Benutzerkonto %1 registriert und mit den "
    L"Programmen verknüpft. %2";
inline constexpr std::wstring_view kIncompleteForAccount =
    L"Ergebnis: unvollständig, %1 Werte konnten nicht geschrieben werden. %2";
inline constexpr std::wstring_view kNoRights =
    L"Bildkranz darf hier nicht für alle Benutzer registrieren: Unter "
    L"HKEY_LOCAL_MACHINE\\Software\\Classes kann dieser Aufruf nichts schreiben. Mit /Konto "
    L"registriert Bildkranz nur für das eigene Benutzerkonto; für alle Benutzer starten Sie es "
    L"mit „Als Administrator ausführen“.";

// --- The steps, as the preview and the failed writes name them -----------------
inline constexpr std::wstring_view kDeleteKey = L"Schlüssel löschen  %1";
inline constexpr std::wstring_view kDeleteRefused =
    L"  (hat Unterschlüssel und bleibt; nur die Werte, die der Lauf setzt, ändern sich)";
inline constexpr std::wstring_view kCreateKey = L"Schlüssel anlegen  %1";
inline constexpr std::wstring_view kSetValue = L"Wert setzen        %1  %2 = %3 %4";

// --- The preview -------------------------------------------------------------
inline constexpr std::wstring_view kPreview = L"Vorschau: Es wird nichts geändert.";
inline constexpr std::wstring_view kPreviewFiles = L"Dateien, die der Lauf schreibt:";
inline constexpr std::wstring_view kPreviewUndoFile = L"Rückgängig <Datum> <Uhrzeit>.reg";
inline constexpr std::wstring_view kPreviewSteps = L"Schritte, in dieser Reihenfolge:";
inline constexpr std::wstring_view kPreviewAssociationFile =
    L"Vorschau: Die Zuordnungsdatei %1 würde geschrieben.";

// --- What a double-click opens --------------------------------------------------
inline constexpr std::wstring_view kDoubleClick = L"Doppelklick auf %1 für dieses Konto: %2";
inline constexpr std::wstring_view kNoAnswer = L"Windows gab keine Auskunft.";
inline constexpr std::wstring_view kOpensOwn = L"öffnet mit %1, wie eingetragen.";
inline constexpr std::wstring_view kOpensOther =
    L"öffnet mit %1 (%2), nicht mit %3. Das legt nur der Benutzer selbst fest (Bildkranz.exe "
    L"/StandardApps öffnet die Einstellungen dafür).";
inline constexpr std::wstring_view kSettingsOpened =
    L"Die Windows-Einstellungen „Standard-Apps“ für Bildkranz sind geöffnet. %1";
inline constexpr std::wstring_view kSettingsNotOpened =
    L"Die Windows-Einstellungen „Standard-Apps“ ließen sich nicht öffnen. So legt der Benutzer "
    L"das Programm für den Doppelklick selbst fest: %1 %2";
inline constexpr std::wstring_view kAssociationFileWritten = L"Zuordnungsdatei %1 geschrieben.";

// --- Files and folders ---------------------------------------------------------
inline constexpr std::wstring_view kFolderNotMade =
    L"Der Sicherungsordner %1 lässt sich nicht anlegen (Systemfehler %2).";
inline constexpr std::wstring_view kFolderNotWritable =
    L"In den Sicherungsordner %1 kann nicht geschrieben werden (Systemfehler %2), etwa weil er "
    L"auf einer Freigabe nur zum Lesen liegt. Die Sicherungen und die Rückgängig-Datei brauchen "
    L"einen Ordner, in den geschrieben werden kann: geben Sie ihn mit /Sicherung:<Ordner> an.";
inline constexpr std::wstring_view kLogNotOpened =
    L"Das Protokoll „%1“ lässt sich nicht öffnen (Systemfehler %2).";
inline constexpr std::wstring_view kAssociationFileNotWritten =
    L"Die Zuordnungsdatei %1 konnte nicht geschrieben werden (Systemfehler %2).";

// --- The command line's own errors ---------------------------------------------
inline constexpr std::wstring_view kUsageError =
    L"Fehler im Aufruf bei %1: %2 Es wurde nichts geändert. %3 Hilfe: Bildkranz.exe /?";
inline constexpr std::wstring_view kNotASwitch =
    L"Das ist kein Schalter; Schalter beginnen mit / oder -.";
inline constexpr std::wstring_view kUnknownSwitch = L"Diesen Schalter gibt es nicht.";
inline constexpr std::wstring_view kSwitchTwice = L"Dieser Schalter steht zweimal im Aufruf.";
inline constexpr std::wstring_view kNoValueTaken = L"Dieser Schalter nimmt keinen Wert.";
inline constexpr std::wstring_view kValueMissing = L"Es fehlt der Wert nach dem Doppelpunkt.";
inline constexpr std::wstring_view kSettingsPageAlone =
    L"Dieser Schalter steht allein; dazu passt nur /Protokoll:<Datei>.";
inline constexpr std::wstring_view kTypesMissing =
    L"Es fehlt der Schalter /Typen:<Liste> mit mindestens einem Typ.";
inline constexpr std::wstring_view kVerbMissing =
    L"Es fehlt ein Menüeintrag: mindestens einer der Schalter /Oeffnen:, /Bearbeiten:, "
    L"/Schnellansicht:, /Konvertieren:, /Drucken: mit einem Programm.";
inline constexpr std::wstring_view kUnknownType =
    L"Den Dateityp %1 gibt es nicht. Möglich sind bmp, gif, jpg, pcx, png, tif, psd, tga, wmf "
    L"(ohne Punkt) oder alle.";
inline constexpr std::wstring_view kTypeTwice = L"Der Dateityp %1 steht zweimal da.";
inline constexpr std::wstring_view kNoSuchProgram = L"Das Programm %1 gibt es nicht.";
inline constexpr std::wstring_view kPathMissing = L"Der Pfad fehlt.";
inline constexpr std::wstring_view kCharacterNumber = L"Nr. %1";
inline constexpr std::wstring_view kCharacterInPath = L"Das Zeichen %1 kann in keinem Pfad stehen.";
inline constexpr std::wstring_view kQuoteAfterBackslash =
    L" Ein Pfad in Anführungszeichen darf nicht mit \\ enden.";
inline constexpr std::wstring_view kNotAFullPath =
    L"Geben Sie den vollständigen Pfad an, mit Laufwerk (C:\\…) oder Freigabe (\\\\Server\\…).";

// --- The usage text of /? (%1: the version, %2: the exit codes, a line each) ------
// Kept as UTF-8, widened where it is shown: by far the longest text, and half
// its bytes in the program file.
inline constexpr std::u8string_view kUsage =
    u8"Bildkranz %1: Bilddateitypen ohne Assistent anmelden\r\n"
    u8"\r\n"
    u8"Aufruf:\r\n"
    u8"  Bildkranz.exe /Typen:<Liste> /Oeffnen:<Programm> [/Bearbeiten:<Programm>]\r\n"
    u8"      [/Schnellansicht:<Programm>] [/Konvertieren:<Programm>] [/Drucken:<Programm>]\r\n"
    u8"      [/Sicherung:<Ordner>] [/Protokoll:<Datei>] [/Vorschau] [/Konto]\r\n"
    u8"      [/Zuordnungsdatei:<Datei>]\r\n"
    u8"  Bildkranz.exe /Typen:<Liste> /Zuordnungsdatei:<Datei>\r\n"
    u8"  Bildkranz.exe /StandardApps [/Protokoll:<Datei>]\r\n"
    u8"\r\n"
    u8"  /Typen:<Liste>       die Dateitypen ohne Punkt, durch Kommas getrennt:\r\n"
    u8"                       bmp,gif,jpg,pcx,png,tif,psd,tga,wmf, oder alle\r\n"
    u8"  /Oeffnen:<Programm>  ein Eintrag im Kontextmenü und das Programm, das er\r\n"
    u8"                       startet, mit vollständigem Pfad, in Anführungszeichen,\r\n"
    u8"                       wenn er Leerzeichen enthält; mindestens ein Eintrag\r\n"
    u8"  /Bearbeiten:<Programm>, /Schnellansicht:<Programm>, /Konvertieren:<Programm>,\r\n"
    u8"  /Drucken:<Programm>  ebenso\r\n"
    u8"  /Sicherung:<Ordner>  wohin die Sicherungen und die Rückgängig-Datei kommen\r\n"
    u8"                       (wird angelegt); ohne: der Ordner von Bildkranz.exe,\r\n"
    u8"                       mit /Konto, wo er nicht beschreibbar ist, der Ordner\r\n"
    u8"                       %LOCALAPPDATA%\\Bildkranz des Benutzerkontos\r\n"
    u8"  /Protokoll:<Datei>   hängt an diese Textdatei (UTF-8) an, was geschah\r\n"
    u8"  /Vorschau            ändert nichts; zeigt jeden Schritt und jede Datei\r\n"
    u8"  /Konto               registriert nur für das Benutzerkonto, das Bildkranz\r\n"
    u8"                       startet (HKEY_CURRENT_USER), ohne Administratorrechte;\r\n"
    u8"                       ohne /Konto registriert Bildkranz für alle Benutzer und\r\n"
    u8"                       braucht dafür „Als Administrator ausführen“\r\n"
    u8"  /Zuordnungsdatei:<Datei>  schreibt die Standardzuordnungen der Typen für die\r\n"
    u8"                       Gruppenrichtlinie; ohne Programm-Schalter ändert der\r\n"
    u8"                       Lauf sonst nichts\r\n"
    u8"  /StandardApps        öffnet die Windows-Einstellungen „Standard-Apps“ für\r\n"
    u8"                       Bildkranz und ändert nichts\r\n"
    u8"  /?                   diese Hilfe\r\n"
    u8"\r\n"
    u8"Schalter beginnen mit / oder -; Groß- und Kleinschreibung zählt nicht.\r\n"
    u8"Ohne Schalter startet der Assistent.\r\n"
    u8"\r\n"
    u8"Rückgabewert:\r\n"
    u8"%2"
    u8"\r\n"
    u8"Beispiel (in einer Stapeldatei; start /wait wartet, bis Bildkranz fertig ist):\r\n"
    u8"  start \"\" /wait \"\\\\Server\\Software\\Bildkranz.exe\" /Typen:alle\r\n"
    u8"      /Oeffnen:\"C:\\Programme\\Bildbetrachter\\betrachter.exe\"\r\n"
    u8"      /Sicherung:C:\\Bildkranz /Protokoll:C:\\Bildkranz\\protokoll.txt\r\n"
    u8"  echo Ergebnis: %errorlevel%\r\n"
    u8"\r\n"
    u8"Im Anmeldeskript eines Benutzers (ohne Administratorrechte):\r\n"
    u8"  \"\\\\Server\\Software\\Bildkranz.exe\" /Konto /Typen:alle\r\n"
    u8"      /Oeffnen:\"C:\\Programme\\Bildbetrachter\\betrachter.exe\"\r\n";

} // namespace SilentTexts
