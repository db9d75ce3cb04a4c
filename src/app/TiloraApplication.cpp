#include "app/TiloraApplication.h"

#include "app/OverrideCursorLift.h"
#include "logic/Errors.h"

#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <mutex>

namespace {

void showErrorBox(const QString &message)
{
    // A second error while the box is up (a timer, a resize) must not stack boxes.
    static bool showing = false;
    if (showing)
        return;
    showing = true;
    // A child of the active window, so that it stays above an always-on-top window.
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tilora"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    const OverrideCursorLift lift;
    box.exec();
    showing = false;
}

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

TiloraApplication::ErrorReporter &reporterSlot()
{
    static TiloraApplication::ErrorReporter reporter = showErrorBox;
    return reporter;
}

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

void TiloraApplication::reportError(const QString &message)
{
    if (reporterSlot())
        reporterSlot()(message);
}

void TiloraApplication::setErrorReporter(ErrorReporter reporter)
{
    reporterSlot() = std::move(reporter);
}

TiloraApplication::ErrorReporter TiloraApplication::errorReporter()
{
    return reporterSlot();
}

void ReportCurrentException()
{
    try {
        throw;
    } catch (const ETiloraError &error) {
        TiloraApplication::reportError(error.message());
    } catch (const std::exception &error) {
        TiloraApplication::reportError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        TiloraApplication::reportError(QStringLiteral("Unbekannter Fehler"));
    }
}
