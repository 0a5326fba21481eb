#include "crossfadedialog.h"

#include "loopseam.h"
#include "waveformnumbers.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSlider>
#include <QTextEdit>

namespace {

/// Whether \a key, pressed without Ctrl or Alt, is one the keys of the
/// waveform window play on.
bool playsSample(const QKeyEvent &key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int code = key.key();
    return (code >= Qt::Key_A && code <= Qt::Key_Z) || (code >= Qt::Key_0 && code <= Qt::Key_9)
        || code == Qt::Key_Space || code == Qt::Key_F1 || code == Qt::Key_F2;
}

} // namespace

CrossfadeDialog::CrossfadeDialog(const WaveformSummary &summary, const std::optional<SampleShape::Crossfade> &current,
                                 QWidget *window)
    : QDialog(window)
    , m_rate(summary.rate)
    , m_length(new QSlider(Qt::Horizontal, this))
    , m_law(new QSlider(Qt::Horizontal, this))
    , m_lengthWords(new QLabel(this))
    , m_lawWords(new QLabel(this))
{
    setObjectName(QStringLiteral("crossfadeDialog"));
    setWindowTitle(tr("Crossfade Loop"));
    const TrackerLayout &layout = summary.layout;
    m_length->setObjectName(QStringLiteral("fadeLengthSlider"));
    m_length->setRange(1, int(qMax<qint64>(1, longestCrossfade(layout))));
    // Whatever the note, in bytes at this one: the finest step there is.
    m_length->setValue(int(current && layout.fadeBytes > 0 ? layout.fadeBytes : layout.loopLength / 5));
    m_length->setPageStep(qMax(1, m_length->maximum() / 20));
    m_law->setObjectName(QStringLiteral("fadeLawSlider"));
    m_law->setRange(0, 100);
    m_law->setPageStep(10);
    m_law->setValue(qRound((current ? current->law : 0.5) * 100));
    m_lengthWords->setObjectName(QStringLiteral("fadeLengthWords"));
    m_lawWords->setObjectName(QStringLiteral("fadeLawWords"));
    m_length->setAccessibleName(tr("Fade length"));
    m_law->setAccessibleName(tr("Fade law"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layoutGrid = new QGridLayout(this);
    layoutGrid->addWidget(new QLabel(tr("Fade length:"), this), 0, 0);
    layoutGrid->addWidget(m_length, 0, 1, 1, 3);
    layoutGrid->addWidget(m_lengthWords, 1, 1, 1, 3);
    layoutGrid->addWidget(new QLabel(tr("Law:"), this), 2, 0);
    layoutGrid->addWidget(new QLabel(tr("Equal Gain"), this), 2, 1);
    layoutGrid->addWidget(m_law, 2, 2);
    layoutGrid->addWidget(new QLabel(tr("Equal Power"), this), 2, 3);
    layoutGrid->addWidget(m_lawWords, 3, 1, 1, 3);
    layoutGrid->addWidget(buttons, 4, 0, 1, 4);
    showValues();

    for (QSlider *slider : {m_length, m_law}) {
        connect(slider, &QSlider::valueChanged, this, [this] {
            showValues();
            emit changed(milliseconds(), law());
        });
    }
    // Keys the dialog has no use for play the sample, wherever the focus is.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

double CrossfadeDialog::milliseconds() const
{
    return millisecondsOf(m_length->value(), m_rate);
}

double CrossfadeDialog::law() const
{
    return m_law->value() / 100.0;
}

void CrossfadeDialog::showValues()
{
    m_lengthWords->setText(tr("%1 ms, %2 bytes of the loop's end blend with the sound before its start")
                               .arg(QString::number(milliseconds(), 'f', milliseconds() < 10 ? 2 : 1),
                                    QLocale(QLocale::English).toString(m_length->value())));
    m_lawWords->setText(sentence(lawWords(law())));
}

bool CrossfadeDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // Text typed into a field is the field's.
    const bool typing = qobject_cast<QLineEdit *>(watched) || qobject_cast<QAbstractSpinBox *>(watched)
        || qobject_cast<QTextEdit *>(watched);
    if (typing || !playsSample(*key) || !parentWidget())
        return QDialog::eventFilter(watched, event);
    QKeyEvent passed(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(), key->count());
    QCoreApplication::sendEvent(parentWidget(), &passed);
    return true;
}
