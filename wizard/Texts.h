#pragma once

#include <string>
#include <string_view>

// Every text the window shows, to the character: trailing blanks are part of
// the texts (each message title starts with one blank, each message text ends
// with four).
namespace Texts {

inline constexpr std::wstring_view kTitle = L"Bildkranz";
inline constexpr std::wstring_view kFontFace = L"Tahoma";

// The file dialog a verb row's browse button opens.
inline constexpr std::wstring_view kProgramDialogTitle = L"Anwendung auswählen";
inline constexpr std::wstring_view kProgramDialogFilter =
    L"Programme|*.exe; *.com; *.bat|Alle Dateitypen|*.*";
inline constexpr std::wstring_view kProgramDialogExtension = L"exe";

// What the generic error report names when the window cannot be built.
inline constexpr std::wstring_view kNoWindowClass =
    L"Die Fensterklasse konnte nicht angemeldet werden.";
inline constexpr std::wstring_view kNoFont = L"Die Schrift %1 konnte nicht angelegt werden.";
inline constexpr std::wstring_view kNoWindow = L"Das Fenster konnte nicht angelegt werden.";
inline constexpr std::wstring_view kNoControl =
    L"Ein Bedienelement des Fensters konnte nicht angelegt werden.";

inline constexpr std::wstring_view kNext = L"&Weiter >";
inline constexpr std::wstring_view kBack = L"< &Zurück";
inline constexpr std::wstring_view kCancel = L"&Abbrechen";
inline constexpr std::wstring_view kBrowse = L"...";

// What a screen reader says of the controls whose captions do not tell what
// they are for. A verb row's text box is "Programm für „Öffnen“" (the check
// box's caption without its trailing blank between German quotes, U+201E and
// U+201C), its browse button the same followed by " auswählen".
inline constexpr std::wstring_view kTypeListName = L"Bilddateitypen";
inline constexpr std::wstring_view kProgramNameOpening = L"Programm für „";
inline constexpr std::wstring_view kProgramNameClosing = L"“";
inline constexpr std::wstring_view kChooseProgramEnding = L" auswählen";

inline constexpr std::wstring_view kLabel1 =
    L"Geben Sie bitte die Bilddateitypen an, welche Sie den bestimmten Anwendungen zuordnen "
    L"möchten. Die Programme und deren Funktionen werden im nächsten folgenden Schnitt abgefragt.";
inline constexpr std::wstring_view kLabel2 =
    L"Wenn Sie die Einstellungen jetzt übernehmen möchten, klicken Sie bitte \"Weiter\" und "
    L"warten anschließend bis der Vorgang vollständig ausgeführt wurde.";
inline constexpr std::wstring_view kLabel3 =
    L"In dem Ordner von \"Bildkranz\" wird eine Datensicherungsdatei der vorhandenen "
    L"Einstellungen in der Registrierung erstellt. Während des Vorgang werden dort Reg-Dateien "
    L"erstellt, welche Sie gegebenenfalls wiederherstellen können.";
inline constexpr std::wstring_view kLabel4 =
    L"Nach Abschluss können Sie im Kontextmenü die ausgwählen Einträge finden, indem Sie eine "
    L"Bilddatei mit der rechten Maustaste klicken.";

struct Message {
    std::wstring_view title;
    std::wstring_view text;
};

// A message's text as the program's own messages end: in four blanks.
inline std::wstring MessageText(std::wstring_view text) {
    return std::wstring(text) + L"    ";
}

inline constexpr Message kListWarning{
    L" Auswahlliste überprüfen",
    L"Es wurde keines der in der Liste vorhandenen Dateitypen zur Auswahl markiert.    "};
inline constexpr Message kVerbWarning{
    L" Markierungen überprüfen",
    L"Es wurde keines der Menüeinträge für die Dateitypen zur Auswahl markiert.    "};
inline constexpr Message kSuccess{
    L" Registrierung erfolgreich",
    L"Die Dateitypen wurden erfolgreich registriert und mit den Programmen verknüpft.    "};
// Stands in place of the success message when a value could not be written.
inline constexpr Message kIncomplete{
    L" Registrierung unvollständig",
    L"Einige Einträge konnten nicht in die Registrierung geschrieben werden. Bitte starten Sie "
    L"das Programm mit Administratorrechten erneut.    "};

// Where the program may not write for all users it registers for the
// account that runs it alone, and says so; %1 is the account's name in
// German quotes, %2 (on the screen %1) the folder of the backups. The administrator's screens
// and messages stay as above.
inline constexpr std::wstring_view kLabel2Account =
    L"Bildkranz registriert die Dateitypen nur für Ihr Benutzerkonto %1. Für alle Benutzer "
    L"starten Sie Bildkranz mit „Als Administrator ausführen“. Zum Übernehmen klicken Sie "
    L"bitte \"Weiter\".";
inline constexpr std::wstring_view kLabel3Account =
    L"Im Ordner %1 wird eine Datensicherungsdatei der vorhandenen Einstellungen Ihres "
    L"Benutzerkontos in der Registrierung erstellt, die Sie gegebenenfalls wiederherstellen "
    L"können.";
inline constexpr Message kSuccessAccount{
    L" Registrierung erfolgreich",
    L"Die Dateitypen wurden für Ihr Benutzerkonto %1 erfolgreich registriert und mit den "
    L"Programmen verknüpft. Die Sicherungen liegen im Ordner %2."};
inline constexpr Message kIncompleteAccount{
    L" Registrierung unvollständig",
    L"Einige Einträge konnten nicht in die Registrierung Ihres Benutzerkontos %1 geschrieben "
    L"werden. Die Sicherungen liegen im Ordner %2."};

// After the success message, where Windows opens a ticked type with another
// program on a double-click.
struct DefaultAppsTexts {
    std::wstring_view title;
    // The question: notInEffect, a line per type, onlyTheUserChooses.
    std::wstring_view notInEffect;
    std::wstring_view onlyTheUserChooses;
    // Each followed by the way by hand.
    std::wstring_view settingsNotOpened;
    std::wstring_view otherAccount;
};

inline constexpr DefaultAppsTexts kDefaultApps{
    L" Standard-Apps",
    L"Die Dateitypen sind registriert. Mit einem Doppelklick öffnet Windows diese Bilddateien "
    L"für Sie aber weiterhin mit einem anderen Programm:",
    L"Welches Programm eine Datei per Doppelklick öffnet, legt unter Windows nur der Benutzer "
    L"selbst fest, in den Einstellungen unter „Standard-Apps“. Sollen die Einstellungen jetzt "
    L"geöffnet werden?    ",
    L"Die Einstellungen ließen sich nicht öffnen. So legen Sie das Programm für den Doppelklick "
    L"selbst fest: ",
    L"Bildkranz lief mit einem anderen Konto als dem angemeldeten. Welches Programm eine "
    L"Bilddatei per Doppelklick öffnet, legt jeder Benutzer selbst fest. Der angemeldete "
    L"Benutzer wählt es in den Einstellungen unter „Apps“ → „Standard-Apps“ → „Bildkranz“ oder "
    L"so: ",
};

} // namespace Texts
