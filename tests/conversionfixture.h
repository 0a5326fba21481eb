#pragma once

// What the tests of converting one sample share: a recording, and a
// temporary folder (TMPDIR) the converted files land in, where the tests can
// see every one of them.

#include "converter.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class ConversionFixture
{
protected:
    /// Makes the recording and the folders (in initTestCase).
    void makeSources()
    {
        QVERIFY(m_sources.isValid() && m_temp.isValid());
        m_sample.path = m_sources.filePath("tone.wav");
        QVERIFY(makeWav(m_sample.path));
        // Converted files land here, where the tests can see every one of them.
        m_tmpdir = std::make_unique<ScopedEnvironment>("TMPDIR", QFile::encodeName(m_temp.path()));
    }

    /// Removes what the last test converted (in init).
    void clearConverted()
    {
        for (const QString &name : converted())
            QFile::remove(m_temp.filePath(name));
    }

    QStringList converted() const
    {
        return QDir(m_temp.path()).entryList(QDir::Files);
    }

    static void runToEnd(Conversion &conversion, int timeLimitMs = converterTimeLimitMs)
    {
        QSignalSpy finished(&conversion, &Conversion::finished);
        conversion.start(timeLimitMs);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    }

    QTemporaryDir m_sources;
    QTemporaryDir m_temp;
    std::unique_ptr<ScopedEnvironment> m_tmpdir;
    Sample m_sample;
};
