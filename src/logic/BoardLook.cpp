#include "logic/BoardLook.h"

#include "logic/BoardLogic.h"
#include "logic/Commands.h"
#include "logic/Game.h"

namespace {

ItemLook itemLook(const CommandEntry &entry, const Game &game)
{
    const Settings &settings = game.settings();
    ItemLook item;
    item.caption = entry.text();
    switch (entry.command) {
    case Command::Motif:
        // Out of the menu: only their keys choose them.
        item.visible = item.enabled = false;
        item.checked = game.motif() == entry.value;
        break;
    case Command::Solution:
        item.checked = settings.solutionView;
        item.visible = settings.pictureMode;
        break;
    case Command::Cheat:
        item.checked = game.cheatView();
        item.visible = settings.pictureMode;
        break;
    case Command::Pause:
        item.checked = game.phase() == GamePhase::Paused;
        break;
    case Command::PictureMode:
        // The item names the mode a click switches to.
        item.caption = settings.pictureMode ? QStringLiteral("Text") : QStringLiteral("Bild");
        break;
    case Command::GridSize:
        item.checked = settings.gridSize == entry.value;
        break;
    case Command::AnimationSpeed:
        item.checked = settings.animationSpeed == entry.value;
        break;
    case Command::ShuffleDuration:
        item.checked = settings.shuffleDuration == entry.value;
        break;
    case Command::TileFrames:
        item.checked = settings.tileFrames;
        break;
    case Command::Transparent:
        item.checked = settings.transparent;
        break;
    case Command::Shuffle:
    case Command::LoadPicture:
    case Command::Highscore:
    case Command::EditSettings:
        break;
    }
    return item;
}

} // namespace

BoardLook Present(const Game &game, QSize window)
{
    const Settings &settings = game.settings();
    const Puzzle &puzzle = game.puzzle();
    BoardLook look;
    look.gridSize = puzzle.gridSize();
    look.tileSize = puzzle.tileSize();
    look.hiddenHome = QPoint(look.gridSize - 1, look.gridSize - 1);
    look.tilePlaces.resize(size_t(look.gridSize * look.gridSize));
    // The slide's tiles stand between the old free cell and the pressed one, still on their
    // way there.
    const std::optional<LineMove> &slide = game.slide();
    const QPoint step = slide ? slide->step() : QPoint();
    const QPoint offset = slide
        ? QPoint(SlideOffset(step.x(), look.tileSize, game.slideFrame(), game.slideFrames()),
            SlideOffset(step.y(), look.tileSize, game.slideFrame(), game.slideFrames()))
        : QPoint();
    for (int c = 0; c < look.gridSize; ++c) {
        for (int r = 0; r < look.gridSize; ++r) {
            const QPoint cell(c, r);
            const QPoint home = puzzle.homeAt(cell);
            const bool sliding = slide && cell != slide->to
                && (cell - slide->from).manhattanLength() + (slide->to - cell).manhattanLength()
                    == slide->length();
            look.tilePlaces[size_t(home.x() * look.gridSize + home.y())]
                = cell * look.tileSize + (sliding ? offset : QPoint());
        }
    }
    look.tilePictures = settings.pictureMode;
    look.tileNumbers = game.cheatView() || !settings.pictureMode;
    look.tileFrames = settings.tileFrames;
    look.tileColour = settings.pictureMode ? QColor(Qt::white) : settings.tileColor;
    look.boardFont = settings.boardFont();
    look.numberColour = settings.fontColor();
    look.boardColour = settings.boardColor;

    const bool paused = game.phase() == GamePhase::Paused;
    const bool newBoardUnderway = game.building() && game.building()->kind == BoardBuild::NewBoard;
    look.boardShown = !paused && !newBoardUnderway;
    look.pauseShown = paused;
    look.shuffleButtonShown = game.showsShuffleButton();
    look.clock = game.clockDisplay();
    look.clockTicks = game.clockRuns();
    look.slideTicks = slide.has_value();
    look.outline = game.outline(window);

    look.magnifierMayShow = game.clockRuns();
    look.startWindowMayShow = game.phase() == GamePhase::Shuffling;
    look.solutionShown = settings.pictureMode && settings.solutionView;
    look.mayHide = !game.isShuffling();

    for (const CommandEntry &entry : Commands())
        look.items.push_back(itemLook(entry, game));
    return look;
}
