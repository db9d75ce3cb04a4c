#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// Keeps the program to one instance per user and desktop. The first start holds a lock and
// listens on a Unix socket, both in a folder of the user's alone; a later start asks it to
// come forward and ends. The lock is an flock() on a file that stays: the kernel drops it
// with its holder, so a killed instance leaves nothing that the next start must clean up.
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
    // Whether later starts are answered (the primary listens until it stops answering).
    bool isAnswering() const { return m_server >= 0; }
    // Stops answering but keeps the lock, for a program that is closing and has yet to save:
    // a start in that moment waits for the lock instead of handing over to a program on its
    // way out.
    void stopAnswering();
    // Stops answering and lets the next start be the instance.
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
    // XDG_RUNTIME_DIR when it is a directory of the user's own with mode 0700, else "tilora"
    // in the user's cache folder ($XDG_CACHE_HOME, or ~/.cache), made with that mode if
    // missing and held to the same test. Never a shared folder such as /tmp, where another
    // user could make the folder first. Empty when no folder passes.
    static QString defaultFolder();

signals:
    // A later start asked this instance to come forward, with the activation token that
    // start was given, or "".
    void activationRequested(const QByteArray &activationToken);

private:
    QString lockName() const;
    QString socketName() const;
    enum class HandOff { Answered, NotReachable, Lost, NoAnswer };

    bool becomePrimary(int lock);
    HandOff askPrimaryToComeForward();
    void acceptConnections();

    QString m_channelName;
    QString m_folder;
    // The folder as it was checked: the lock and the socket are reached through it, never by
    // its name again, so that nothing put in its place meanwhile is used.
    int m_folderDescriptor = -1;
    int m_lock = -1;
    int m_server = -1;
    QSocketNotifier *m_serverNotifier = nullptr;
    bool m_primary = false;
};
