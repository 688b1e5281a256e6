#pragma once

// Qt's own dialogs (print, file, the buttons of message boxes) in Japanese: Qt's catalogue
// (qtbase_ja from qt6-translations-l10n), and after it our Japanese for the texts the catalogue
// leaves untranslated. Call once the QApplication exists; the translators belong to it.
void InstallJapaneseQtTexts();
