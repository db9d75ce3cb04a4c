// Menu items. Their check marks hold the state of the on/off options; the keys and the
// settings dialog go through the same handlers.

#include "main/HauptFenster.h"

namespace {

QAction *makeItem(QObject *owner, const char *name, const QString &caption, bool checkable,
                  const QString &hint = QString())
{
    auto *item = new QAction(caption, owner);
    item->setObjectName(QLatin1String(name));
    item->setCheckable(checkable);
    if (!hint.isEmpty())
        item->setStatusTip(hint);
    return item;
}

} // namespace

QString TTiloraForm::pictureFileFilter()
{
    return QStringLiteral(
        "Alle Dateien (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
        "JPEG Bilddatei (*.jpg)|*.jpg|JPEG Bilddatei (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
        "Symbole (*.ico)|*.ico|Erweiterte Metadateien (*.emf)|*.emf|Metadateien (*.wmf)|*.wmf");
}

void TTiloraForm::createMenuItems()
{
    // Game menu.
    Spielmischen1 = makeItem(this, "Spielmischen1", QStringLiteral("Spiel mischen    "), false,
                             QStringLiteral("Startet das Spiel"));
    Bildladen1 = makeItem(this, "Bildladen1", QStringLiteral("Bild laden"), false,
                          QStringLiteral("Lädt ein Bild "));
    Bild1 = makeItem(this, "Bild1", QStringLiteral("Motiv A"), true);
    Bild2 = makeItem(this, "Bild2", QStringLiteral("Motiv B"), true);
    MotifGroup = new QActionGroup(this);
    MotifGroup->addAction(Bild1);
    MotifGroup->addAction(Bild2);
    Bild1->setChecked(true);
    for (QAction *item : {Bild1, Bild2}) {
        item->setVisible(false);
        item->setEnabled(false);
    }
    Vorschau1 = makeItem(this, "Vorschau1", QStringLiteral("Lösung anzeigen     "), true,
                         QStringLiteral("Zeigt das Originalbild an"));
    Schummeln1 = makeItem(this, "Schummeln1", QStringLiteral("Schummeln"), true);
    Highscore1 = makeItem(this, "Highscore1", QStringLiteral("Highscore"), false);
    Pause1 = makeItem(this, "Pause1", QStringLiteral("Pause"), true);

    // Options menu.
    Text1 = makeItem(this, "Text1", QStringLiteral("Text"), false);
    GridSizeGroup = new QActionGroup(this);
    static const char *const gridNames[] = {"N41", "N51", "N61", "N71", "N81",
                                            "N91", "N101", "N111", "N121"};
    static const char *const gridCaptions[] = {"4×4  ", "5×5  ", "6×6", "7×7", "8×8",
                                               "9×9", "10×10", "11×11", "12×12  "};
    for (int size = MinGridSize; size <= MaxGridSize; ++size) {
        const int index = size - MinGridSize;
        QAction *item = makeItem(this, gridNames[index], QString::fromUtf8(gridCaptions[index]),
                                 true, QStringLiteral("Neue Spielfeldgröße"));
        item->setData(size);
        GridSizeGroup->addAction(item);
        GridSizeItems[index] = item;
        connect(item, &QAction::triggered, this, [this, item] { N201Click(item); });
    }

    AnimationGroup = new QActionGroup(this);
    keine1 = makeItem(this, "keine1", QStringLiteral("keine  "), true);
    langsam1 = makeItem(this, "langsam1", QStringLiteral("langsam   "), true);
    schnell1 = makeItem(this, "schnell1", QStringLiteral("schnell  "), true);
    int tag = 0;
    for (QAction *item : {keine1, langsam1, schnell1}) {
        item->setData(tag++);
        AnimationGroup->addAction(item);
    }
    keine1->setChecked(true);

    ShuffleDurationGroup = new QActionGroup(this);
    wenig1 = makeItem(this, "wenig1", QStringLiteral("kurz"), true);
    mittel1 = makeItem(this, "mittel1", QStringLiteral("mittel"), true);
    lang1 = makeItem(this, "lang1", QStringLiteral("lang"), true);
    extremlang1 = makeItem(this, "extremlang1", QStringLiteral("extrem lang"), true);
    selbst1 = makeItem(this, "selbst1", QStringLiteral("selbst bestimmen   "), true);
    tag = 1;
    for (QAction *item : {wenig1, mittel1, lang1, extremlang1}) {
        item->setData(tag++);
        ShuffleDurationGroup->addAction(item);
    }
    selbst1->setData(0);
    ShuffleDurationGroup->addAction(selbst1);
    selbst1->setChecked(true);

    Steineumrahmen1 = makeItem(this, "Steineumrahmen1", QStringLiteral("Steine umrahmen     "),
                               true);
    Transparenz1 = makeItem(this, "Transparenz1", QStringLiteral("Transparenz"), true,
                            QStringLiteral("Freie Stellen werden Transparent dargestellt"));
    Einstellungen1 = makeItem(this, "Einstellungen1", QStringLiteral("Einstellungen..."), false);

    connect(Text1, &QAction::triggered, this, [this] { Text1Click(); });
    connect(Bildladen1, &QAction::triggered, this, [this] { Bildladen1Click(); });
    connect(Bild1, &QAction::triggered, this, [this] { Bild1Click(); });
    connect(Bild2, &QAction::triggered, this, [this] { Bild2Click(); });
}
