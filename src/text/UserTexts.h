#pragma once
// Every German text the program shows to users, as Windows-1252 bytes (the sources are
// UTF-8 and the compiler stores literals in code page 1252). Format texts take their
// arguments in the order their names give.

namespace texts {

// Start-up
inline constexpr char kSocketStartFailed[] = "Fehler beim Initialisieren der Windows-Sockets.";

// Install dialog
inline constexpr char kInstallTitleFormat[] = "%s Installation";        // product
inline constexpr char kProposedDirectoryFormat[] = "C:\\Programme\\%s"; // product
inline constexpr char kWelcome[] = "Herzlich Willkommen zur Installation von";
inline constexpr char kChooseDirectory[] = "Bitte wählen Sie ein Installationsverzeichnis";
inline constexpr char kDirectoryFilter[] = "Verzeichnis wählen|*.|";
inline constexpr char kCancelQuestion[] = "Soll die Installation abgebrochen werden?";
inline constexpr char kCannotCreateFilesFormat[] =
    "In diesem Verzeichnis können keine Dateien angelegt werden: %s"; // directory
inline constexpr char kMakerNotice[] = "© 2026 Velmora Software. Alle Rechte vorbehalten.";

// Update dialog and update run
inline constexpr char kUpdateTitleFormat[] = "Velmora - Updatesystem %s"; // product
inline constexpr char kWaitTwoSeconds[] = "Bitte zwei Sekunden warten!";
inline constexpr char kReadingListing[] = "Lese Verzeichnisstruktur, bitte warten!";
inline constexpr char kCheckFileFormat[] = "Prüfe Datei %d/%d: %s";           // number, count, path
inline constexpr char kDownloadFileFormat[] = "Download der Datei %d/%d: %s"; // number, count, path
inline constexpr char kStarting[] = "Starte ";                                // followed by the product
inline constexpr char kCancelUpdateQuestion[] = "Soll die Aktualisierung abgebrochen werden?";
inline constexpr char kListingUntrusted[] = "Die Aktualisierung ist nicht vertrauenswürdig und wurde übersprungen.";
inline constexpr char kNotReplacedFormat[] =
    "Die Datei %s konnte nicht ersetzt werden; die bisherige Version bleibt installiert."; // path
inline constexpr char kInstallingVersionFormat[] = "Version %s wird installiert"; // the release's version
inline constexpr char kNoSpaceFormat[] = "Nicht genügend Speicherplatz: %s benötigt, %s frei."; // needed, free

// Removal (uninstall)
inline constexpr char kUninstallTitleFormat[] = "%s entfernen";                         // product
inline constexpr char kUninstallQuestionFormat[] = "Soll %s vollständig entfernt werden?"; // product
inline constexpr char kNotInstalledFormat[] = "%s ist nicht installiert.";                // product
inline constexpr char kUninstallIncompleteFormat[] =
    "%s konnte nicht vollständig entfernt werden. Bitte beenden Sie das Programm und versuchen Sie es noch "
    "einmal."; // product
inline constexpr char kOwnFilesKeptFormat[] = "Eigene Dateien wurden nicht entfernt: %s"; // main directory

} // namespace texts
