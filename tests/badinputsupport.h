#pragma once

// For the tests of bad input: the sources a user loads and what else goes
// wrong, writing as a user who may not write everywhere, and the folders
// each test's files and sox's files go to.

#include "testsupport.h"

#include <QMetaType>
#include <QStringList>
#include <QTemporaryDir>
#include <QThreadPool>

#include <memory>
#include <linux/capability.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/syscall.h>
#include <unistd.h>

/// One file the user loads, below the row's own source folder.
struct Source
{
    enum Kind { Tone, NotWav, Empty, DeletedAfterLoading, CorruptFlac };
    QString path;
    Kind kind = Tone;
    QStringList format; // sox output options of a tone
    int seconds = 1;
};

inline const QStringList stereo16 = {"-c", "2", "-b", "16", "-r", "44100"};

inline Source tone(const QString &path, const QStringList &format = stereo16, int seconds = 1)
{
    return {path, Source::Tone, format, seconds};
}

inline Source broken(const QString &path, Source::Kind kind)
{
    return {path, kind, {}, 0};
}

/// What goes wrong besides the sources themselves.
enum class Trouble {
    None,
    ReadOnlyFolder,
    FolderRemovedAfterBrowse,
    FileSystemRoot,
    NoSox,
    HighCutAtZero,
};

Q_DECLARE_METATYPE(Source)
Q_DECLARE_METATYPE(Trouble)

/// While it lives, the program writes files as the user nobody: root would
/// write into any folder whatever its mode, and into / itself. Reading and
/// passing through folders stay allowed, so the program still reaches its
/// converted files; sox, a new process, runs with the test's own rights.
/// File rights are a thread's own and new threads inherit them, so the
/// thread pool that writes the exported files lets its threads go and
/// starts new ones from this thread.
class WritingAsNobody
{
public:
    WritingAsNobody()
    {
        syscall(SYS_capget, &m_header, m_saved);
        m_previous = setfsuid(nobody());
        // Leaving fsuid 0 drops the file capabilities: take them back, all but
        // the one that writes anywhere.
        __user_cap_data_struct reading[2] = {m_saved[0], m_saved[1]};
        reading[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        syscall(SYS_capset, &m_header, reading);
        QThreadPool::globalInstance()->waitForDone();
    }
    ~WritingAsNobody()
    {
        setfsuid(m_previous);
        syscall(SYS_capset, &m_header, m_saved);
        QThreadPool::globalInstance()->waitForDone();
    }
    static uid_t nobody()
    {
        const passwd *user = getpwnam("nobody");
        return user ? user->pw_uid : 65534;
    }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    int m_previous = 0;
};

/// A folder for each test's own files below m_base, and the temporary
/// folder (TMPDIR) sox's files go to, which each test leaves empty.
class BadInputFolders
{
protected:
    /// Makes the folders (in initTestCase).
    void makeFolders();
    /// Clears the export's folder and what sox left (in cleanup).
    void clearAway();

    QTemporaryDir m_base;
    QTemporaryDir m_converted;
    std::unique_ptr<ScopedEnvironment> m_tmpdir;
};
