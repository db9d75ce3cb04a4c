#pragma once

#include "desktop/ErrorReport.h"

#include <QApplication>

// The application object. Qt lets an exception that leaves an event handler tear the
// whole program down; here it is reported (ReportCurrentException) and the event loop goes on.
class TiloraApplication : public QApplication
{
    Q_OBJECT

public:
    TiloraApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

