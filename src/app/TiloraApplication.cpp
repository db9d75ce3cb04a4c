#include "app/TiloraApplication.h"

#include <QLibraryInfo>
#include <QTranslator>

#include <mutex>

namespace {

// The toolkit's own German texts (its dialogs, buttons and edit menus), read from their file
// the first time the toolkit asks for one: many a game shows none of them.
class ToolkitTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *sourceText, const char *disambiguation,
        int n) const override
    {
        // Asked as the translator is installed; German runs left to right.
        if (qstrcmp(sourceText, "QT_LAYOUT_DIRECTION") == 0)
            return QStringLiteral("LTR");
        std::call_once(m_loading, [this] {
            m_loaded = m_translations.load(QStringLiteral("qtbase_de"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        });
        return m_loaded ? m_translations.translate(context, sourceText, disambiguation, n)
                        : QString();
    }

private:
    mutable std::once_flag m_loading;
    mutable QTranslator m_translations;
    mutable bool m_loaded = false;
};

} // namespace

TiloraApplication::TiloraApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Tilora"));
    // The interface is German whatever the desktop's language, and so are the toolkit's own
    // dialogs and buttons. Without the translations installed they stay English.
    installTranslator(new ToolkitTranslator(this));
}

bool TiloraApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
    }
    return false;
}
