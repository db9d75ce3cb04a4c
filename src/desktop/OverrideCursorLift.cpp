#include "desktop/OverrideCursorLift.h"

#include <QGuiApplication>

OverrideCursorLift::OverrideCursorLift()
{
    while (const QCursor *cursor = QGuiApplication::overrideCursor()) {
        m_lifted.append(*cursor);
        QGuiApplication::restoreOverrideCursor();
    }
}

OverrideCursorLift::~OverrideCursorLift()
{
    for (auto cursor = m_lifted.crbegin(); cursor != m_lifted.crend(); ++cursor)
        QGuiApplication::setOverrideCursor(*cursor);
}
