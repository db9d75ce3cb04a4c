#pragma once

#include <QString>

class QWidget;

// Lets the player choose a picture file, with a preview of the selected file. It opens in
// the folder of the current picture when that is a file. Returns the chosen file's full
// path, or "" when the dialog was cancelled.
QString RunOpenPictureDialog(QWidget *parent, const QString &currentPicture = QString());
