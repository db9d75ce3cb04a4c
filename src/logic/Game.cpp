#include "logic/Game.h"

#include <algorithm>
#include <utility>

namespace {

const QString MotifCaptions[] = {QStringLiteral("Motiv A"), QStringLiteral("Motiv B")};

} // namespace

Game::Game(const Settings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_puzzle(settings.gridSize, settings.tileSize)
{ }

bool Game::clockRuns() const
{
    return m_phase == GamePhase::Running && m_inSight && !m_closed;
}

bool Game::showsShuffleButton() const
{
    return m_phase == GamePhase::NoGame && !m_building;
}

QString Game::outline(QSize window) const
{
    BoardView view;
    view.window = window;
    view.building = m_building.has_value();
    view.paused = m_phase == GamePhase::Paused;
    view.mixedOutOfSight = m_phase == GamePhase::Shuffling && !m_settings.showShuffle;
    view.transparent = m_settings.transparent;
    view.slide = m_slide;
    view.slideFrame = m_slideFrame;
    view.slideFrames = m_slideFrames;
    return WindowOutline(m_puzzle, view);
}

void Game::setSettings(const Settings &settings)
{
    m_settings = settings;
    emit changed();
}

bool Game::applySettings(const Settings &edited, bool cheatView)
{
    // What the dialog does not edit stays as the game has it now (a build may have fallen
    // back to a motif meanwhile); the sizes go the way of their commands below.
    const Settings before = m_settings;
    m_settings = edited;
    m_settings.pictureName = before.pictureName;
    m_settings.pictureMode = before.pictureMode;
    m_settings.fileExisted = before.fileExisted;
    m_settings.gridSize = before.gridSize;
    m_settings.tileSize = before.tileSize;
    if (cheatView != m_cheatView)
        toggleCheatView();
    emit changed();
    if (edited.gridSize != before.gridSize) {
        // A new board, of the new tile size too: the running game is given up.
        chooseTileSize(edited.tileSize);
        return chooseGridSize(edited.gridSize);
    }
    return edited.tileSize != before.tileSize && chooseTileSize(edited.tileSize);
}

void Game::setAnimationSpeed(int speed)
{
    if (speed == m_settings.animationSpeed)
        return;
    m_settings.animationSpeed = speed;
    emit changed();
}

void Game::setShuffleDuration(int duration)
{
    if (duration == m_settings.shuffleDuration)
        return;
    m_settings.shuffleDuration = duration;
    emit changed();
}

void Game::toggleCheatView()
{
    m_cheatView = !m_cheatView;
    // Switching it off again does not make the game honest.
    m_cheated = m_cheated || m_cheatView;
    emit changed();
}

void Game::toggleSolutionView()
{
    m_settings.solutionView = !m_settings.solutionView;
    emit changed();
}

void Game::toggleTileFrames()
{
    m_settings.tileFrames = !m_settings.tileFrames;
    emit changed();
}

void Game::toggleTransparent()
{
    m_settings.transparent = !m_settings.transparent;
    emit changed();
}

void Game::togglePause()
{
    if (m_closed)
        return;
    if (m_phase == GamePhase::Running) {
        // A slide comes to rest first; what waited for it is given up.
        endSlide();
        m_waiting.clear();
        setPhase(GamePhase::Paused);
    } else if (m_phase == GamePhase::Paused) {
        setPhase(GamePhase::Running);
    } else {
        return; // no game to pause
    }
    emit changed();
}

bool Game::chooseGridSize(int gridSize)
{
    m_settings.gridSize = std::clamp(gridSize, MinGridSize, MaxGridSize);
    m_clockDisplay = ClockText(0);
    return requestBuild(BoardBuild::NewBoard);
}

bool Game::chooseTileSize(int tileSize)
{
    m_settings.tileSize = std::clamp(tileSize, MinTileSize, MaxTileSize);
    return requestBuild(BoardBuild::Layout);
}

bool Game::togglePictureMode()
{
    m_settings.pictureMode = !m_settings.pictureMode;
    return requestBuild(BoardBuild::NewBoard);
}

bool Game::chooseMotif(int motif)
{
    m_motif = motif == 2 ? 2 : 1;
    m_settings.pictureMode = true;
    return requestBuild(BoardBuild::NewBoard);
}

bool Game::choosePicture(const QString &pictureName)
{
    m_settings.pictureName = pictureName;
    m_settings.pictureMode = true;
    return requestBuild(BoardBuild::NewBoard);
}

void Game::fallBackToMotif()
{
    m_settings.pictureName = MotifCaptions[m_motif - 1];
}

bool Game::requestBuild(BoardBuild::Kind kind)
{
    emit changed(); // the marks show the choice at once
    if (m_closed)
        return false;
    m_buildWanted = std::max(m_buildWanted.value_or(BoardBuild::Layout), kind);
    return !m_buildsUnderway;
}

std::optional<BoardBuild> Game::nextBuild(int roomForBoard)
{
    // A build left unfinished is done again, whole.
    if (m_building && m_buildWanted)
        m_buildWanted = std::max(*m_buildWanted, m_building->kind);
    m_building.reset();
    if (m_closed || !m_buildWanted) {
        m_buildsUnderway = false;
        m_buildWanted.reset();
        return std::nullopt;
    }
    const BoardBuild::Kind kind = *m_buildWanted;
    m_buildWanted.reset();
    m_buildsUnderway = true;
    const int gridSize = kind == BoardBuild::NewBoard ? m_settings.gridSize : m_puzzle.gridSize();
    const int tileSize = FittingTileSize(m_settings.tileSize, gridSize, roomForBoard);
    if (kind == BoardBuild::NewBoard) {
        // The game under way, its slide, what waits and its pause are given up.
        endSlide();
        m_waiting.clear();
        m_puzzle = Puzzle(gridSize, tileSize);
        m_clockDisplay = ClockText(0); // not a shuffle's count, nor the last game's time
        m_endToShow.reset();
        setPhase(GamePhase::NoGame);
    } else {
        m_puzzle.setTileSize(tileSize);
    }
    m_building = BoardBuild {kind, ++m_buildCount};
    emit changed();
    return m_building;
}

bool Game::isCurrent(const BoardBuild &build) const
{
    return !m_closed && !m_buildWanted && m_building && m_building->number == build.number;
}

void Game::buildDone(const BoardBuild &build)
{
    if (!m_building || m_building->number != build.number)
        return;
    m_building.reset();
    emit changed();
}

bool Game::beginShuffle()
{
    if (m_closed || m_shuffleUnderway || m_buildsUnderway || m_phase == GamePhase::Finished
        || !m_inSight || m_modalWindowOpen)
        return false;
    endSlide();
    m_waiting.clear();
    m_cheated = m_cheatView;
    m_clockSeconds = 0;
    m_clockDisplay = ClockText(0);
    m_shuffleSteps = 0;
    // The length in force now decides when this shuffle ends and which table the game enters.
    m_gameShuffleDuration = m_settings.shuffleDuration;
    m_shuffleLength = ShuffleMoveCount(m_puzzle.gridSize(), m_gameShuffleDuration);
    m_shuffleDismissed = false;
    m_shuffleLastLine = false;
    m_shuffleUnderway = true;
    setPhase(GamePhase::Shuffling);
    emit changed();
    return true;
}

std::optional<ShuffleLine> Game::shuffleStep()
{
    if (!m_shuffleUnderway || m_phase != GamePhase::Shuffling || m_closed)
        return std::nullopt;
    if (m_shuffleLastLine)
        return std::nullopt;
    ShuffleLine line {m_puzzle.randomMove(m_random)};
    m_puzzle.apply(line.move);
    ++m_shuffleSteps;
    if (m_shuffleLength == 0 && m_shuffleSteps % 10000 == 0) {
        m_clockDisplay = QString::number(m_shuffleSteps);
        line.countShown = true;
    }
    // A player's length ends with the line after the start window was clicked: at least one.
    m_shuffleLastLine
        = m_shuffleLength > 0 ? m_shuffleSteps >= m_shuffleLength : m_shuffleDismissed;
    line.last = m_shuffleLastLine;
    return line;
}

void Game::dismissShuffle()
{
    if (m_shuffleUnderway)
        m_shuffleDismissed = true;
}

void Game::endShuffle()
{
    if (!m_shuffleUnderway)
        return;
    m_shuffleUnderway = false;
    if (m_phase != GamePhase::Shuffling || m_closed) {
        emit changed();
        return;
    }
    m_clockSeconds = 0;
    setPhase(GamePhase::Running);
    emit changed();
}

bool Game::beginGameOn(const Puzzle &board)
{
    if (board.gridSize() != m_puzzle.gridSize() || !beginShuffle())
        return false;
    const int tileSize = m_puzzle.tileSize();
    m_puzzle = board;
    m_puzzle.setTileSize(tileSize);
    endShuffle();
    return true;
}

bool Game::takesPresses() const
{
    return !m_closed && !m_shuffleUnderway && !m_buildsUnderway && m_inSight && !m_modalWindowOpen;
}

PressAnswer Game::pressTile(std::optional<QPoint> home)
{
    if (!takesPresses())
        return PressAnswer::Ignored;
    // "Mischen!" waits: a press anywhere on the board starts a game.
    if (m_phase == GamePhase::NoGame)
        return PressAnswer::ShuffleWanted;
    if (!home)
        return PressAnswer::Ignored; // the bare board, seen only at the free cell
    return press(WaitingPress {home, QPoint()});
}

PressAnswer Game::pressArrow(QPoint direction)
{
    if (!takesPresses() || direction.manhattanLength() != 1)
        return PressAnswer::Ignored;
    return press(WaitingPress {std::nullopt, direction});
}

PressAnswer Game::press(const WaitingPress &press)
{
    if (m_phase != GamePhase::Running)
        return PressAnswer::Ignored;
    if (m_slide) {
        if (int(m_waiting.size()) >= MaxWaitingPresses)
            return PressAnswer::Ignored;
        m_waiting.push_back(press);
        return PressAnswer::Waits;
    }
    return carryOut(press) ? PressAnswer::Moved : PressAnswer::Ignored;
}

bool Game::carryOut(const WaitingPress &press)
{
    // A waiting press finds its tile's cell only now, on the board as it is.
    const QPoint cell
        = press.home ? m_puzzle.cellOfHome(*press.home) : m_puzzle.freeCell() - press.direction;
    const std::optional<LineMove> move = m_puzzle.moveForPress(cell);
    if (!move)
        return false;
    m_puzzle.apply(*move);
    if (m_settings.animationSpeed > 0) {
        m_slide = move;
        m_slideFrame = 0;
        m_slideFrames = AnimationFrames(m_settings.animationSpeed);
    }
    // The test runs at once, while the slide is still to be shown.
    if (!m_puzzle.isSolved()) {
        emit changed();
        return true;
    }
    m_waiting.clear();
    setPhase(GamePhase::Finished);
    m_clockDisplay = ClockText(m_clockSeconds);
    m_endToShow = GameResult {m_clockDisplay, m_cheated, resultConfiguration()};
    emit changed();
    emit solved(*m_endToShow);
    return true;
}

void Game::runWaitingPresses()
{
    // The latest press runs first, as if each press had waited inside the one before it.
    while (!m_slide && !m_waiting.empty()) {
        const WaitingPress press = m_waiting.back();
        m_waiting.pop_back();
        if (m_phase != GamePhase::Running || !takesPresses()) {
            m_waiting.clear();
            return;
        }
        carryOut(press);
    }
}

bool Game::animationFrame()
{
    if (m_slide && ++m_slideFrame <= m_slideFrames)
        return false;
    endSlide();
    runWaitingPresses();
    emit changed();
    return true;
}

void Game::endSlide()
{
    m_slide.reset();
    m_slideFrame = 0;
}

void Game::clockTick()
{
    if (!clockRuns())
        return;
    ++m_clockSeconds;
    m_clockDisplay = ClockText(m_clockSeconds);
    emit changed();
}

void Game::setInSight(bool inSight)
{
    if (inSight == m_inSight)
        return;
    m_inSight = inSight;
    emit changed();
}

void Game::setModalWindowOpen(bool open)
{
    if (open == m_modalWindowOpen)
        return;
    m_modalWindowOpen = open;
    if (open)
        m_waiting.clear();
    emit changed();
    if (!open && m_endToShow && m_phase == GamePhase::Finished && !m_closed)
        emit solved(*m_endToShow);
}

std::optional<GameResult> Game::takeEndToShow()
{
    if (m_modalWindowOpen || m_closed || m_phase != GamePhase::Finished)
        return std::nullopt;
    return std::exchange(m_endToShow, std::nullopt);
}

void Game::endShown()
{
    if (m_phase == GamePhase::Finished)
        setPhase(GamePhase::NoGame);
    emit changed();
}

void Game::close()
{
    m_closed = true;
    endSlide();
    m_waiting.clear();
    emit changed();
}

QString Game::pictureFile() const
{
    const QString &name = m_settings.pictureName;
    return name == MotifCaptions[0] || name == MotifCaptions[1] ? QString() : name;
}

bool Game::entersTable(const GameResult &result) const
{
    return !result.cheated && m_phase == GamePhase::Finished;
}

HighscoreConfiguration Game::highscoreConfiguration() const
{
    return HighscoreConfiguration {m_settings.pictureMode, m_settings.pictureName,
        m_puzzle.gridSize(), m_settings.shuffleDuration};
}

HighscoreConfiguration Game::resultConfiguration() const
{
    HighscoreConfiguration configuration = highscoreConfiguration();
    configuration.ShuffleDuration = m_gameShuffleDuration;
    return configuration;
}
