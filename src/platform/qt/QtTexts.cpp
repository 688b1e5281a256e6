#include "platform/qt/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace {

// Texts of the print dialog that Qt 6.4's Japanese catalogue lacks. Asked only when the
// catalogue has nothing, so a newer catalogue's own text wins.
class MissingQtTexts final : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        (void)disambiguation;
        (void)n;
        struct Text {
            const char* Context;
            const char* Source;
            const char* Japanese;
        };
        static const Text kTexts[] = {
            {"QPrintSettingsOutput", "Pages", "ページ指定"},
            {"QPrintSettingsOutput", "Double Sided Printing", "両面印刷"},
            {"QPrintSettingsOutput", "Off", "しない"},
            {"QPrintSettingsOutput", "Long side binding", "長辺とじ"},
            {"QPrintSettingsOutput", "Short side binding", "短辺とじ"},
            {"QPrintPropertiesWidget", "Advanced", "詳細"},
        };
        for (const Text& text : kTexts) {
            if (std::strcmp(context, text.Context) == 0 && std::strcmp(sourceText, text.Source) == 0) {
                return QString::fromUtf8(text.Japanese);
            }
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

void InstallJapaneseQtTexts()
{
    QCoreApplication* app = QCoreApplication::instance();
    // The translator installed last is asked first.
    QCoreApplication::installTranslator(new MissingQtTexts(app));
    auto* catalogue = new QTranslator(app);
    if (catalogue->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(catalogue);
    }
}
