#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// Keeps the program to one instance per user and desktop. The first start holds a lock file
// and listens on a local socket, both in a folder of the user's alone; a later start asks it
// to come forward and ends.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // The channel of this user on this desktop, in the default folder.
    explicit SingleInstance(QObject *parent = nullptr);
    // A channel of one's own choosing; the folder holds its lock file and socket. A folder
    // that is not the user's alone (see defaultFolder()) is not used: every start then runs
    // on its own.
    SingleInstance(const QString &channelName, const QString &folder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the one instance (it then answers later starts until it is
    // destroyed) or runs on its own. False when another instance runs: it has been asked to
    // come forward and, unless it did not answer in time, has done so. Every wait is bounded.
    // A lock file that is not the user's own is removed, not obeyed.
    bool claim();
    bool isPrimary() const { return m_primary; }
    // Stops answering and lets the next start be the instance, for a program that is closing.
    void release();

    QString channelName() const { return m_channelName; }
    QString lockFilePath() const;
    QString socketPath() const;

    // "tilora-<user id>-<desktop>", with only letters, digits, '-' and '_' in it.
    static QString channelNameFor(uint userId, const QString &desktop);
    // The desktop a process shows its windows on, from its platform plugin and the display
    // variables that plugin connects through.
    static QString desktopName(
        const QString &platform, const QString &xDisplay, const QString &waylandDisplay);
    static QString currentDesktop();
    static QString defaultChannelName();
    // XDG_RUNTIME_DIR when it is a directory of the user's own with mode 0700, else
    // "<temporary folder>/tilora-<user id>", made with that mode if missing and held to the
    // same test. Empty when neither passes.
    static QString defaultFolder();

signals:
    // A later start asked this instance to come forward.
    void activationRequested();

private:
    enum class HandOff { Answered, NotReachable, Lost, NoAnswer };

    bool becomePrimary();
    HandOff askPrimaryToComeForward();
    void acceptConnections();
    void readRequest(QLocalSocket *client);

    QString m_channelName;
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    bool m_primary = false;
};
