#pragma once

#include "logic/Settings.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QGroupBox>
#include <QSpinBox>
#include <QStringList>

#include <functional>
#include <optional>

class QAbstractButton;
class QFontDialog;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class TPanel;

// The font of the tile numbers together with its colour.
struct BoardFont
{
    QFont font;
    QColor color;

    bool operator==(const BoardFont &other) const = default;
};

// A number field that lets any number be typed and brings it into its range when the editing
// ends: a number beyond the range gives the nearest bound (not the old value), an empty field
// the minimum.
class TSpinEdit : public QSpinBox
{
    Q_OBJECT

public:
    explicit TSpinEdit(QWidget *parent = nullptr);

    // The number in the field limited to the range, also while it is still being typed.
    int boundedValue() const;
    // The number as typed, when there is one.
    std::optional<int> typedValue() const;

signals:
    // The text changed: a keystroke, or the field's own correction when the editing ends.
    void changed();

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};

// Leaves only the font, its style and its size to choose in the toolkit's font chooser: the
// effects (underline, strike-out) and the writing system are hidden.
void HideFontEffects(QFontDialog &chooser);

// A group box of radio buttons, one below the other, of which one is chosen.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    // The chosen item, -1 for none.
    int ItemIndex() const;
    void setItemIndex(int index);
    QAbstractButton *item(int index) const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutItems();
    void updateTabStop();

    QButtonGroup *m_items;
};

// The settings dialog: shuffle length, animation, board and tile sizes, colours, the tile
// font and the on/off options, with a live preview of three tiles. Created once and reused;
// each opening is filled anew from the values it is given.
class TEinstellungen : public QDialog
{
    Q_OBJECT

public:
    explicit TEinstellungen(QWidget *parent = nullptr);

    // Fills the dialog from the settings, runs it modally and returns the edited settings
    // when it was closed with OK; nothing otherwise.
    std::optional<Settings> EditSettings(const Settings &settings);
    // The cheat view belongs to the game, not to the settings file: set before and read
    // after EditSettings.
    void setCheatView(bool on) { m_cheatView = on; }
    bool cheatView() const { return m_cheatView; }

    // The colour and font choosers; they return nothing when the player cancels. Tests
    // replace them.
    std::function<std::optional<QColor>(const QColor &initial)> chooseColor;
    std::function<std::optional<QFont>(const QFont &initial)> chooseFont;

protected:
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private slots:
    void BSteinFarbeClick();
    void BSchriftClick();
    void BTextFarbeClick();
    void BBGFarbeClick();
    void SteinRahmenEditClick();
    void SteinGroesseEditChange();
    void BitBtn1Click();
    void BitBtn2Click();

private:

    TRadioGroup *MischdauerGroup;
    QGroupBox *SpielGroup;
    QCheckBox *VorschauEdit;
    QCheckBox *SchummelnEdit;
    QCheckBox *TransparenzEdit;
    QCheckBox *SteinRahmenEdit;
    QLabel *GroesseLabel;
    TSpinEdit *GroesseEdit;
    QLabel *Label2;
    TSpinEdit *ZoomEdit;
    QGroupBox *SteinGroup;
    QLabel *Label1;
    TSpinEdit *SteinGroesseEdit;
    QPushButton *BSteinFarbe;
    QPushButton *BSchrift;
    QPushButton *BTextFarbe;
    QPushButton *BBGFarbe;
    TRadioGroup *AnimationGroup;
    TPanel *Panel1;
    TPanel *SteinPanel;
    TPanel *SteinBild;  // top-left tile of the preview
    TPanel *Steinbild2; // the tile to its right
    TPanel *SteinBild3; // the tile below it
    QGroupBox *ButtonGroup;
    QPushButton *BitBtn1; // OK
    QPushButton *BitBtn2; // Abbruch

    // True when the last opening was closed with OK (Enter); Abbruch, Esc and the close box
    // leave it false.
    bool isAccepted() const { return result() == QDialog::Accepted; }
    bool m_cheatView = false;
    QSize m_fittedFrame; // the frame the last fitting went by
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_content = nullptr;
    void createControls();
    // Lays the preview out for tiles of size pixels, and the dialog around it.
    void layoutPreview(int size);
    // Sizes the dialog to its content, or to the screen's available area where the content
    // is larger, and keeps it whole on that area.
    void fitOnScreen();
    // What the window manager's frame adds to the dialog's size.
    QSize frameExtent() const;
    QList<TPanel *> previewTiles() const;
};
