#include "logic/Puzzle.h"

#include <QStringList>
#include <algorithm>

Puzzle::Puzzle(int gridSize, int tileSize)
    : m_gridSize(std::clamp(gridSize, MinGridSize, MaxGridSize))
    , m_tileSize(std::clamp(tileSize, MinTileSize, MaxTileSize))
    , m_free(m_gridSize - 1, m_gridSize - 1)
{
    for (int i = 0; i < m_gridSize * m_gridSize; ++i)
        m_home[i] = quint8(i);
}

std::optional<Puzzle> Puzzle::fromString(const QString &text, int tileSize)
{
    const QStringList numbers = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int size = MinGridSize;
    while (size * size < numbers.size() && size < MaxGridSize)
        ++size;
    if (size * size != numbers.size())
        return std::nullopt;
    Puzzle puzzle(size, tileSize);
    const int cells = size * size;
    std::array<bool, MaxGridSize * MaxGridSize> seen {};
    for (int i = 0; i < cells; ++i) {
        bool ok = false;
        int number = numbers[i].toInt(&ok);
        if (!ok || number < 0 || number >= cells || (number == 0 && seen[cells - 1]))
            return std::nullopt;
        if (number == 0) {
            number = cells; // the hidden tile's home is the last cell
            puzzle.m_free = QPoint(i % size, i / size);
        }
        if (seen[number - 1])
            return std::nullopt;
        seen[number - 1] = true;
        puzzle.m_home[i] = quint8(number - 1);
    }
    return puzzle;
}

QString Puzzle::toString() const
{
    QStringList numbers;
    for (int i = 0; i < m_gridSize * m_gridSize; ++i) {
        const QPoint cell(i % m_gridSize, i / m_gridSize);
        numbers << QString::number(cell == m_free ? 0 : m_home[i] + 1);
    }
    return numbers.join(QLatin1Char(' '));
}

QPoint Puzzle::homeAt(QPoint cell) const
{
    const int home = m_home[index(cell)];
    return QPoint(home % m_gridSize, home / m_gridSize);
}

bool Puzzle::contains(QPoint cell) const
{
    return cell.x() >= 0 && cell.x() < m_gridSize && cell.y() >= 0 && cell.y() < m_gridSize;
}

bool Puzzle::isSolved() const
{
    for (int i = 0; i < m_gridSize * m_gridSize; ++i) {
        if (m_home[i] != i)
            return false;
    }
    return true;
}

QPoint Puzzle::cellOfHome(QPoint home) const
{
    const int wanted = index(home);
    for (int i = 0; i < m_gridSize * m_gridSize; ++i) {
        if (m_home[i] == wanted)
            return QPoint(i % m_gridSize, i / m_gridSize);
    }
    return QPoint(-1, -1);
}

std::optional<LineMove> Puzzle::moveForPress(QPoint cell) const
{
    if (!contains(cell) || (cell.x() == m_free.x()) == (cell.y() == m_free.y()))
        return std::nullopt;
    return LineMove {m_free, cell};
}

void Puzzle::apply(const LineMove &move)
{
    const QPoint step = move.step();
    while (m_free != move.to && contains(m_free + step))
        stepFreeSlot(step);
}

void Puzzle::stepFreeSlot(QPoint step)
{
    const QPoint next = m_free + step;
    if (step.manhattanLength() != 1 || !contains(next))
        return;
    std::swap(m_home[index(m_free)], m_home[index(next)]);
    m_free = next;
}

LineMove Puzzle::randomMove(std::mt19937 &random) const
{
    std::uniform_int_distribution<int> draw(0, m_gridSize - 1);
    QPoint cell;
    do {
        const int col = draw(random); // the column is drawn first
        cell = QPoint(col, draw(random));
    } while ((cell.x() == m_free.x()) == (cell.y() == m_free.y()));
    return LineMove {m_free, cell};
}

QString WindowOutline(const Puzzle &puzzle, const BoardView &view)
{
    const int width = view.window.width();
    const int height = view.window.height();
    if (view.building)
        return BuildingOutline(width, height);
    if (view.paused)
        return RoundedOutline(width, height);
    if (view.mixedOutOfSight)
        return HiddenBoardOutline(width, height);
    const int tile = puzzle.tileSize();
    if (view.slide && view.transparent) {
        return AnimatedOutline(width, height,
            SlideFrame {
                view.slide->from, view.slide->to, view.slideFrame, view.slideFrames, tile, tile});
    }
    return BoardRegionOutline(width, height, view.transparent, puzzle.freeCell(), tile, tile);
}
