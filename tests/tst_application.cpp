#include "logic/Errors.h"
#include "app/TiloraApplication.h"

#include <QTest>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

// An error that leaves an event handler must end in the error report, and the program goes on.
class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void errorsFromHandlersReachTheReport_data();
    void errorsFromHandlersReachTheReport();
};

namespace {

class ThrowingWidget : public QWidget
{
public:
    std::function<void()> thrower;

protected:
    void mousePressEvent(QMouseEvent *) override { thrower(); }
};

} // namespace

void TestApplication::errorsFromHandlersReachTheReport_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program error") << 0 << QStringLiteral("Fehlertext");
    QTest::newRow("anything") << 2 << QStringLiteral("Unbekannter Fehler");
}

void TestApplication::errorsFromHandlersReachTheReport()
{
    QFETCH(int, kind);
    QFETCH(QString, expected);

    QStringList reports;
    const auto previous = TiloraApplication::errorReporter();
    TiloraApplication::setErrorReporter([&reports](const QString &text) { reports << text; });

    ThrowingWidget widget;
    widget.thrower = [kind] {
        if (kind == 0)
            throw ETiloraError(QStringLiteral("Fehlertext"));
        if (kind == 1)
            throw std::runtime_error("standard");
        throw 42;
    };
    widget.resize(50, 50);
    widget.show();
    QTest::mouseClick(&widget, Qt::LeftButton);
    // The loop goes on: a timer still fires after the error.
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QTRY_VERIFY(fired);

    TiloraApplication::setErrorReporter(previous);
    QCOMPARE(reports, QStringList {expected});
}

int main(int argc, char *argv[])
{
    TiloraApplication application(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
