// The waveform window: opened beside the main window, laid out, and what it
// tells under its picture, the numbers line and where the sound plays;
// waveformconversion.cpp makes the picture.

#include "waveformwindow.h"

#include "audition.h"
#include "converter.h"
#include "slicing.h"
#include "waveformnumbers.h"
#include "waveformview.h"

#include <QComboBox>
#include <QLabel>
#include <QMediaPlayer>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// Long enough to take a slider's drag as one change, short enough that a
// few seconds of sound are redrawn well within a third of a second.
constexpr int settleMs = 30;
constexpr int playPollMs = 33;

/// The open waveform window of \a mainWindow; one that is closing is gone.
WaveformWindow *openWindow(QWidget *mainWindow)
{
    for (auto *window : mainWindow->findChildren<WaveformWindow *>(Qt::FindDirectChildrenOnly)) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}

} // namespace

void showWaveformWindow(QWidget *mainWindow)
{
    WaveformWindow *window = openWindow(mainWindow);
    if (!window)
        window = new WaveformWindow(mainWindow);
    window->show();
    window->raise();
    window->activateWindow();
}

void followPreview(QWidget *mainWindow, QMediaPlayer *player, const Sample &sample, const SampleShape &shape)
{
    if (WaveformWindow *window = openWindow(mainWindow))
        window->follow(player, sample, shape);
}

WaveformWindow::WaveformWindow(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window)
    , m_mainWindow(mainWindow)
    , m_samples(mainWindow->findChild<QComboBox *>(QStringLiteral("sampleCombo")))
    , m_view(new WaveformView(this))
    , m_scroll(new QScrollBar(Qt::Horizontal, this))
    , m_numbers(new QLabel(this))
{
    setObjectName(QStringLiteral("waveformWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_view->setObjectName(QStringLiteral("waveformView"));
    m_scroll->setObjectName(QStringLiteral("waveformScroll"));
    m_numbers->setObjectName(QStringLiteral("waveformNumbers"));
    m_numbers->setWordWrap(true);
    m_numbers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_scroll);
    layout->addWidget(m_numbers);
    resize(720, 300);
    makeActions();
    makeKeys();

    connect(m_view, &WaveformView::spanChanged, this, &WaveformWindow::followSpan);
    connect(m_view, &WaveformView::selectionChanged, this, [this] {
        showNumbers();
        updateActions();
    });
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) { m_view->scrollTo(value * m_scrollUnit); });
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &WaveformWindow::convert);
    m_playPoll.setInterval(playPollMs);
    connect(&m_playPoll, &QTimer::timeout, this, &WaveformWindow::showPlayPosition);

    // Every edit ends in the list's data, and every change of the shown
    // sample in its current index.
    connect(m_samples, &QComboBox::currentIndexChanged, this, &WaveformWindow::followSampleList);
    connect(m_samples->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                const int current = m_samples->currentIndex();
                if (topLeft.row() <= current && current <= bottomRight.row())
                    followSampleList();
            });
    followSampleList();
}

WaveformWindow::~WaveformWindow()
{
    if (m_finding)
        m_finding->cancel();
}

void WaveformWindow::showText(const QString &text)
{
    m_notice.clear();
    m_loopDropped.clear();
    m_crossfadeDropped.clear();
    m_view->showMessage(text);
    hearPicture();
    m_view->setAccessibleDescription(text);
    m_numbers->setText(m_heard);
    updateActions();
}

void WaveformWindow::showNumbers()
{
    const WaveformSummary *summary = m_view->summary();
    if (!summary || !m_pictured)
        return;
    QString text = numbersLine(m_pictured->sample, m_pictured->shape, *summary, m_noise) + m_slicing->numbers();
    if (m_view->hasSelection()) {
        const qint64 bytes = m_view->selectionEnd() - m_view->selectionStart();
        text += QStringLiteral(" · selection from byte %1, %2 bytes, %3 s")
                    .arg(number(m_view->selectionStart()), number(bytes))
                    .arg(double(bytes) / qMax(summary->rate, 1), 0, 'f', 3);
    }
    const QString shapeNotice = m_shapeNotice.path == m_pictured->sample.path && m_shapeNotice.shape == m_pictured->shape
        ? m_shapeNotice.text
        : QString();
    for (const QString &said : {sentence(m_loopDropped), sentence(m_crossfadeDropped), shapeNotice, m_notice, m_heard}) {
        if (!said.isEmpty())
            text += QLatin1Char('\n') + said;
    }
    m_numbers->setText(text);
    m_view->setAccessibleDescription(text);
}

void WaveformWindow::notify(const QString &text)
{
    m_notice = text;
    if (m_view->summary())
        showNumbers();
    else
        m_numbers->setText(text);
}

void WaveformWindow::follow(QMediaPlayer *player, const Sample &sample, const SampleShape &shape)
{
    m_player = player;
    m_playing = Picture{sample, shape};
    m_playPoll.start();
}

void WaveformWindow::showPlayPosition()
{
    // Where the keys are heard comes first: the user is playing.
    if (const qint64 heard = m_audition->playPosition(); heard >= 0 && m_view->summary()) {
        m_view->setPlayPosition(heard);
        return;
    }
    if (!m_player) {
        if (!m_audition->isSounding())
            m_playPoll.stop();
        m_view->setPlayPosition(-1);
        return;
    }
    const WaveformSummary *shown = m_view->summary();
    if (!shown || !m_pictured
        || !convertsAlike(m_pictured->sample, m_pictured->shape, m_playing.sample, m_playing.shape)
        || m_player->playbackState() != QMediaPlayer::PlayingState) {
        m_view->setPlayPosition(-1);
        return;
    }
    // The preview plays sox's sound, which a one-shot's BODY holds after
    // its silent word.
    m_view->setPlayPosition(shown->layout.silentBytes + m_player->position() * shown->rate / 1000);
}
