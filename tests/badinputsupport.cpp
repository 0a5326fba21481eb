#include "badinputsupport.h"

#include "export.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

void BadInputFolders::makeFolders()
{
    QVERIFY(m_base.isValid() && m_converted.isValid());
    // Converted files are made while writing as nobody, too.
    QCOMPARE(::chmod(QFile::encodeName(m_converted.path()).constData(), 01777), 0);
    // sox's files go where each row can clear them away.
    m_tmpdir = std::make_unique<ScopedEnvironment>("TMPDIR", QFile::encodeName(m_converted.path()));
}

void BadInputFolders::clearAway()
{
    outputDirectory.clear();
    for (const QString &name : QDir(m_converted.path()).entryList(QDir::Files))
        QFile::remove(m_converted.filePath(name));
}
