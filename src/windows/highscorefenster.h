#pragma once

#include "logic/HighscoreTable.h"

#include <QDate>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <random>

class QEventLoop;
class QLabel;
class QLineEdit;
class TFormRegion;
class TPanel;
class TSpezialButton;

// The high score window: the ten best games of the current configuration, kept in
// "highscore.ini", and the entry of the player's name after a game that made it into the
// table. Shown modally; created once and hidden between showings.
class THighscore : public QWidget
{
    Q_OBJECT

public:
    // file: where "highscore.ini" lives, decided once at start-up.
    explicit THighscore(const QString &file, QWidget *parent = nullptr);
    ~THighscore() override;

    // The configuration whose table the "Highscore" command shows; asked anew at every load.
    std::function<HighscoreConfiguration()> configuration;
    // Today's date for a new entry. Tests replace it.
    std::function<QDate()> today;
    // The generator of the scramble keys, seeded once from the clock; tests seed it.
    void seedRandom(quint32 seed);

    // The window a game's result is shown over.
    void centreOn(QWidget *window) { m_centreOn = window; }

    // Ranks a solved game's time in the table of its configuration, saves, and shows the
    // window modally (with the name entry when the time made it into the table); returns when
    // the window has been closed. The name is saved into the result's table, whatever the
    // window shows meanwhile.
    void AddResult(const QString &timeText, const HighscoreConfiguration &configuration);
    // Shows the window (centred over the given rectangle, when valid) and returns when it has
    // been closed. The other windows' timers keep running meanwhile.
    void showModal(const QRect &centreOver = QRect());

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The tests look inside: the table, its cells and the name entry.
    friend class TestHighscore;
    friend class TestPlay;

    QString filePath() const { return m_file; }
    // Fills the description line and the ten rows from the file. A file that cannot be read
    // is reported and gives empty rows.
    void LoadTable();
    // Writes the ten rows. Throws EIniReadError when the file cannot be read at this save,
    // EIniWriteError when it cannot be written; does nothing when the table shown could not
    // be loaded (that has been reported).
    void SaveTable();
    const HighscoreTable &table() const { return m_table; }
    int NewEntryRow = 0; // the row waiting for its name, 1 .. 10

    // ---- controls
    QLabel *Label1 = nullptr;
    TSpezialButton *SpezialButton4 = nullptr;
    TPanel *Panel1 = nullptr;
    QLineEdit *Nameneingabe = nullptr;
    QLabel *Beschreibung = nullptr;
    TSpezialButton *OKButton = nullptr;
    TFormRegion *FormRegion1 = nullptr;
    // The cells of row 1 .. 10.
    QLabel *rankCell(int row) const { return m_cells[row - 1].rank; }
    QLabel *nameCell(int row) const { return m_cells[row - 1].name; }
    QLabel *timeCell(int row) const { return m_cells[row - 1].time; }
    QLabel *dateCell(int row) const { return m_cells[row - 1].date; }
    // Whether the name entry is open (the field is shown over a row).
    bool isNaming() const;

    bool isRunningModal() const { return m_modalLoop != nullptr; }
    // Takes the typed name into the new row and saves it into the file as it is now.
    void CommitName();
    void OKButtonClick();
    void SpezialButton4Click();
    // A click on the window, its frame, the table panel or a cell.
    void FormClick();
    // The window sees every key before its controls; these return whether the key was used.
    bool FormKeyPress(int key);
    bool NameneingabeKeyPress(int key);


    struct Row
    {
        QLabel *rank = nullptr;
        QLabel *name = nullptr;
        QLabel *time = nullptr;
        QLabel *date = nullptr;
    };

    void FormShow();
    // The entry field and its OK button, or the description line.
    void showNameEntry();
    void showTable();
    void setCell(QLabel *cell, const QString &text, int maxWidth = QWIDGETSIZE_MAX);
    // Enter in the field: the name is taken and the description shows again.
    void commitAsOnEnter();
    // The table shown: a result's while it is entered, else the current one.
    HighscoreConfiguration shownConfiguration() const;

    std::array<Row, HighscoreRowCount> m_cells {};
    HighscoreTable m_table {};
    std::mt19937 m_random;
    QEventLoop *m_modalLoop = nullptr;
    // AddResult has just loaded and ranked the table: showing must not load it again, or a
    // result that could not be saved would vanish before its name is typed.
    bool m_tablePrepared = false;
    // The last load could not read the file: its rows are not known, so nothing is saved.
    bool m_tableUnreadable = false;
    bool m_framePressed = false;
    QPoint m_framePressPosition;
    QPointer<QWidget> m_centreOn;
    QString m_file;
    // A result waiting for its name: its table, and its row as the end of the game saved it.
    struct NameEntry
    {
        HighscoreConfiguration configuration;
        HighscoreEntry entered;
        bool unreadable = false; // its rows were not the file's: the name is not saved
    };
    std::optional<NameEntry> m_naming;
};
