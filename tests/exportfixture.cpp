#include "exportfixture.h"

#include "modaldriver.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QTest>

void ExportFixture::makeSources()
{
    QVERIFY(m_sources.isValid() && m_temp.isValid());
    QVERIFY(QDir(m_sources.path()).mkdir("other"));
    for (const QString name : {"kick.wav", "other/kick.wav", "wavetable.wav", "KICK.WAV", "take", "slow.wav"})
        QVERIFY(makeWav(m_sources.filePath(name), {"-t", "wav", "-r", "44100", "-c", "2", "-b", "16"}));
    for (const QString seconds : {"3", "5"})
        QVERIFY(makeWav(m_sources.filePath(seconds + "s.wav"), {"-r", "44100"}, {"synth", seconds, "sine", "440"}));
    m_tmpdir = std::make_unique<ScopedEnvironment>("TMPDIR", QFile::encodeName(m_temp.path()));
}

void ExportFixture::openWindow()
{
    m_out = std::make_unique<QTemporaryDir>(m_sources.filePath("out-XXXXXX"));
    m_window = std::make_unique<MainWindow>();
    m_window->findChild<QWidget *>("centralwidget")->setEnabled(true);
}

void ExportFixture::closeWindow()
{
    m_window.reset();
    m_out.reset();
    outputDirectory.clear();
    for (const QString &name : converted())
        QFile::remove(m_temp.filePath(name));
}

void ExportFixture::addSample(const QString &source, const QString &note, bool ready)
{
    Sample sample;
    sample.path = m_sources.filePath(source);
    sample.name = QFileInfo(source).fileName();
    sample.note = note;
    sample.ready = ready;
    appendSample(m_window->findChild<QComboBox *>("sampleCombo"), sample);
}

void ExportFixture::browse(ModalDriver &driver, const QString &directory)
{
    driver.choose({directory});
    m_window->findChild<QPushButton *>("browseButton")->click();
}
