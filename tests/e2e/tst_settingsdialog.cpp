#include "support/E2eHarness.h"

#include <QTest>

// The settings dialog in the running program: F9 opens it where it belongs, and a tile size
// typed into it and confirmed with Enter resizes the main window around the new tiles.
class TestSettingsDialogE2e : public QObject
{
    Q_OBJECT

private slots:
    void f9OpensTheDialogAndEnterAppliesANewTileSize();
};

void TestSettingsDialogE2e::f9OpensTheDialogAndEnterAppliesANewTileSize()
{
    E2E_REQUIRE_DISPLAY();
    e2e::Program program;
    program.writeFile(QStringLiteral("tilora.ini"),
                      "[Allgemein]\r\nGroesse=5\r\nSteingroesse=50\r\nVorschau=0\r\n");
    QProcess *tilora = program.start();
    const QString mainId =
        e2e::waitForWindow(QStringLiteral("Tilora"), 15000, tilora->processId());
    QVERIFY(!mainId.isEmpty());
    E2E_TRY_COMPARE(e2e::windowGeometry(mainId).size(), QSize(286, 286), 10000);

    e2e::run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                         mainId});
    e2e::key(QStringLiteral("F9"));
    const QString dialogId =
        e2e::waitForWindow(QStringLiteral("Einstellungen"), 10000, tilora->processId());
    QVERIFY2(!dialogId.isEmpty(), "F9 opened no settings dialog");
    const QRect dialog = e2e::windowGeometry(dialogId);
    QCOMPARE(dialog.size(), QSize(265, 369));

    // "Steingröße" lies in the "Stein" group at (0, 130); its text at the field's left.
    e2e::click(dialog.topLeft() + QPoint(0 + 64 + 14, 130 + 17 + 11));
    e2e::key(QStringLiteral("ctrl+a"));
    e2e::type(QStringLiteral("70"));
    e2e::key(QStringLiteral("Return"));

    E2E_TRY_VERIFY(!e2e::visibleWindows(tilora->processId()).contains(dialogId), 10000);
    // Five tiles of 70 pixels and the 18-pixel frame on either side.
    E2E_TRY_COMPARE(e2e::windowGeometry(mainId).size(), QSize(386, 386), 10000);
    QCOMPARE(tilora->state(), QProcess::Running);
}

TILORA_E2E_MAIN(TestSettingsDialogE2e)

#include "tst_settingsdialog.moc"
