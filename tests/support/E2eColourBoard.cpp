#include "support/E2eColourBoard.h"

#include "support/E2eHarness.h"

#include <algorithm>
#include <cstdlib>
#include <queue>
#include <unordered_map>
#include <utility>

namespace e2e {

namespace {

quint64 packed(const ColourBoard &board)
{
    quint64 value = 0;
    for (const int home : board)
        value = value << 4 | quint64(home);
    return value;
}

bool closeTo(const QColor &seen, const QColor &want)
{
    return std::abs(seen.red() - want.red()) + std::abs(seen.green() - want.green())
        + std::abs(seen.blue() - want.blue())
        < 30;
}

} // namespace

QColor colourOfTile(int home)
{
    return QColor(30 + 70 * (home % ColourGrid), 30 + 70 * (home / ColourGrid),
        40 + 50 * ((home * 3) % 4));
}

QImage colourPicture(int tileSize)
{
    QImage picture(ColourGrid * tileSize, ColourGrid * tileSize, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, colourOfTile(y / tileSize * ColourGrid + x / tileSize));
    }
    return picture;
}

std::optional<ColourBoard> colourBoardOnScreen(
    const QImage &screen, const std::function<QPoint(int cell)> &cellCentre)
{
    ColourBoard board {};
    int freeCells = 0;
    for (int cell = 0; cell < ColourGrid * ColourGrid; ++cell) {
        const QColor seen = pixelAt(screen, cellCentre(cell));
        int found = -1;
        for (int home = 0; home < ColourFree; ++home) {
            if (closeTo(seen, colourOfTile(home)))
                found = home;
        }
        if (found < 0 && seen == Qt::white) {
            found = ColourFree;
            ++freeCells;
        }
        if (found < 0)
            return std::nullopt;
        board[cell] = found;
    }
    if (freeCells != 1)
        return std::nullopt;
    return board;
}

int distanceHome(const ColourBoard &board)
{
    int sum = 0;
    for (int cell = 0; cell < ColourGrid * ColourGrid; ++cell) {
        if (board[cell] != ColourFree)
            sum += std::abs(cell % ColourGrid - board[cell] % ColourGrid)
                + std::abs(cell / ColourGrid - board[cell] / ColourGrid);
    }
    return sum;
}

QList<int> solveColourBoard(const ColourBoard &start)
{
    struct Node
    {
        int priority;
        int steps;
        ColourBoard board;
        bool operator<(const Node &other) const { return priority > other.priority; }
    };
    std::priority_queue<Node> open;
    std::unordered_map<quint64, std::pair<quint64, int>> cameFrom; // state: previous, pressed
    open.push({3 * distanceHome(start), 0, start});
    cameFrom[packed(start)] = {0, -1};
    while (!open.empty() && cameFrom.size() < 2'000'000) {
        const Node node = open.top();
        open.pop();
        if (distanceHome(node.board) == 0) {
            QList<int> presses;
            for (quint64 state = packed(node.board); cameFrom[state].second >= 0;
                 state = cameFrom[state].first)
                presses.prepend(cameFrom[state].second);
            return presses;
        }
        const int free = int(
            std::find(node.board.begin(), node.board.end(), ColourFree) - node.board.begin());
        for (const int step : {-ColourGrid, ColourGrid, -1, 1}) {
            const int cell = free + step;
            if (cell < 0 || cell >= ColourGrid * ColourGrid
                || (std::abs(step) == 1 && cell / ColourGrid != free / ColourGrid))
                continue;
            ColourBoard next = node.board;
            std::swap(next[free], next[cell]);
            if (cameFrom.emplace(packed(next), std::pair(packed(node.board), cell)).second)
                open.push({node.steps + 1 + 3 * distanceHome(next), node.steps + 1, next});
        }
    }
    return {};
}

} // namespace e2e
