#include "desktop/ErrorReport.h"

#include "desktop/OverrideCursorLift.h"
#include "logic/Errors.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

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

ErrorReporter &reporterSlot()
{
    static ErrorReporter reporter = showErrorBox;
    return reporter;
}

} // namespace

void ReportError(const QString &message)
{
    if (reporterSlot())
        reporterSlot()(message);
}

void SetErrorReporter(ErrorReporter reporter)
{
    reporterSlot() = std::move(reporter);
}

ErrorReporter CurrentErrorReporter()
{
    return reporterSlot();
}

void ReportCurrentException()
{
    try {
        throw;
    } catch (const ETiloraError &error) {
        ReportError(error.message());
    } catch (const std::exception &error) {
        ReportError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unbekannter Fehler"));
    }
}
