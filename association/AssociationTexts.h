#pragma once

#include <string_view>

// The sentences of the association layer, in German: what it writes where
// Windows shows it, and why a backup or the undo file could not be made,
// which both front ends pass on as they stand. %1, %2 … mark the gaps that
// Text::Fill fills.
namespace AssociationTexts {

// What Windows' Default Apps show for the program. After several runs the
// types may open with different programs.
inline constexpr std::wstring_view kDescription =
    L"Öffnet Bilddateien (BMP, GIF, JPG, PCX, PNG, TIF, PSD, TGA, WMF) mit den Programmen, die "
    L"in Bildkranz für sie gewählt wurden.";

// How a user chooses the program for a double-click without the settings page.
inline constexpr std::wstring_view kWayByHand =
    L"Klicken Sie mit der rechten Maustaste auf eine Bilddatei, wählen Sie „Öffnen mit“ → "
    L"„Andere App auswählen“, dann das Programm, und setzen Sie das Häkchen bei „Immer“.";

// A file the run makes before it changes anything: what, which file, why.
inline constexpr std::wstring_view kFileNotMade = L"Die %1 „%2“ konnte nicht erstellt werden: %3";
inline constexpr std::wstring_view kBackup = L"Sicherung";
inline constexpr std::wstring_view kUndoFile = L"Rückgängig-Datei";
// In the names of the backups of a run for the account: " (Konto Anna)".
inline constexpr std::wstring_view kAccountBackup = L" (Konto %1)";
// Follows a reason that a system error code explains.
inline constexpr std::wstring_view kSystemError = L" (Systemfehler %1).";

// Why a backup could not be made.
inline constexpr std::wstring_view kNoWindowsFolder =
    L"Der Windows-Ordner, in dem der Registrierungs-Editor liegt, konnte nicht ermittelt werden.";
inline constexpr std::wstring_view kEditorNotStarted =
    L"Der Registrierungs-Editor „%1“ konnte nicht gestartet werden (Systemfehler %2).";
inline constexpr std::wstring_view kEditorTooSlow =
    L"Der Registrierungs-Editor war nach %1 Sekunden noch nicht fertig und wurde beendet.";
inline constexpr std::wstring_view kEditorNotAwaited =
    L"Auf das Ende des Registrierungs-Editors konnte nicht gewartet werden (Systemfehler %1).";
inline constexpr std::wstring_view kEditorResultUnknown =
    L"Das Ergebnis des Registrierungs-Editors konnte nicht abgefragt werden.";
inline constexpr std::wstring_view kEditorFailed =
    L"Der Registrierungs-Editor hat mit dem Fehlercode %1 geendet.";
inline constexpr std::wstring_view kEditorWroteNothing =
    L"Der Registrierungs-Editor hat die Datei nicht geschrieben.";
inline constexpr std::wstring_view kInvalidExtension =
    L"Die Dateiendung „%1“ ist ungültig; für sie kann keine Sicherung erstellt werden.";
inline constexpr std::wstring_view kNoProgramFolder =
    L"Der Ordner des Programms konnte nicht ermittelt werden.";
inline constexpr std::wstring_view kProgramPathTooLong = L"Der Pfad des Programms ist zu lang.";

// Why the undo file could not be made.
inline constexpr std::wstring_view kKeyUnreadable =
    L"Der Schlüssel „%1“ konnte nicht gelesen werden";
inline constexpr std::wstring_view kNameNotWritable =
    L"Ein Name unter „%1“ enthält einen Zeilenumbruch oder ein Nullzeichen und lässt sich in "
    L"einer Registrierungsdatei nicht wiedergeben.";
inline constexpr std::wstring_view kKeyWithoutName =
    L"Ein Schlüssel ohne Namen kann nicht zurückgesetzt werden.";
inline constexpr std::wstring_view kNoFileInFolder =
    L"Im Ordner „%1“ konnte keine Datei angelegt werden";
inline constexpr std::wstring_view kNotWrittenWhole =
    L"Die Datei konnte nicht vollständig geschrieben werden";
inline constexpr std::wstring_view kNotNamed =
    L"Die fertige Datei konnte nicht unter ihrem Namen abgelegt werden";
inline constexpr std::wstring_view kAllNamesTaken = L"Alle Namen bis „%1“ sind schon vergeben.";

} // namespace AssociationTexts
