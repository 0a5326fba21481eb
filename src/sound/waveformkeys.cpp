// The waveform window's keys: the pictured sample heard as a tracker plays
// it, with the Amiga's sound chosen in the context menu.

#include "waveformwindow.h"

#include "amigamodel.h"
#include "audition.h"
#include "waveformview.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>

void WaveformWindow::makeKeys()
{
    m_audition = new Audition(Audition::Output::Device, this);
    m_audition->setObjectName(QStringLiteral("audition"));
    connect(m_audition, &Audition::said, this, [this](const QString &text) {
        m_heard = text;
        if (m_view->summary())
            showNumbers();
        else
            m_numbers->setText(text);
    });
}

void WaveformWindow::hearPicture()
{
    const WaveformSummary *summary = m_view->summary();
    if (summary && m_pictured)
        m_audition->setSample(kitSample(*summary, m_pictured->sample.name));
    else
        m_audition->clearSample();
}

void WaveformWindow::keyPressEvent(QKeyEvent *event)
{
    if (!m_audition->handleKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The play line follows what the keys play.
    m_playPoll.start();
}

void WaveformWindow::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_audition->handleKey(event))
        QWidget::keyReleaseEvent(event);
}

void WaveformWindow::changeEvent(QEvent *event)
{
    // Keys held when the window loses the keyboard are never let go here.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_audition->releaseKeys();
    QWidget::changeEvent(event);
}

void WaveformWindow::addSoundMenu(QMenu *menu)
{
    QMenu *sound = menu->addMenu(tr("Amiga Sound"));
    auto *choices = new QActionGroup(sound);
    const AmigaModel chosen = AmigaSound::instance()->model();
    for (const AmigaModel model : {AmigaModel::Amiga500, AmigaModel::Amiga1200, AmigaModel::Unfiltered}) {
        QAction *choice = sound->addAction(amigaModelName(model));
        choice->setCheckable(true);
        choice->setChecked(model == chosen);
        choice->setActionGroup(choices);
        connect(choice, &QAction::triggered, this, [model] { AmigaSound::instance()->setModel(model); });
    }
    sound->actions().at(0)->setToolTip(tr("Its fixed low-pass filter, as the keys and the kit sound on an Amiga 500"));
    sound->setToolTipsVisible(true);
}
