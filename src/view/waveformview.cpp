#include "waveformview.h"

#include <QApplication>
#include <QLocale>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

namespace {

// Zoomed in this far, a byte is 32 pixels wide.
constexpr double fewestBytesPerPixel = 1.0 / 32;
constexpr double zoomPerNotch = 0.8;
// How much of the colour behind shows through what lies past the limit.
constexpr int dimming = 170;
// How much of the selection's colour shows: a lighter shade than the loop's.
constexpr int selectionShade = 70;
// How near, in pixels, the pointer must be to take an edge of the selection.
constexpr int edgeReach = 4;

} // namespace

WaveformView::WaveformView(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(tr("Waveform"));
    setFocusPolicy(Qt::WheelFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_clearLater = new QTimer(this);
    m_clearLater->setSingleShot(true);
    m_clearLater->setInterval(QApplication::doubleClickInterval());
    connect(m_clearLater, &QTimer::timeout, this, &WaveformView::clearSelection);
}

void WaveformView::select(qint64 from, qint64 to)
{
    const qint64 size = m_summary ? m_summary->size() : 0;
    from = qBound<qint64>(0, from, size);
    to = qBound<qint64>(0, to, size);
    if (to <= from)
        from = to = 0;
    if (from == m_selectionFrom && to == m_selectionTo)
        return;
    m_selectionFrom = from;
    m_selectionTo = to;
    update();
    emit selectionChanged();
}

void WaveformView::selectAll()
{
    if (m_summary)
        select(0, m_summary->size());
}

qint64 WaveformView::boundaryAt(double x) const
{
    return qBound<qint64>(0, qRound64(m_first + x * m_bytesPerPixel), m_summary->size());
}

int WaveformView::selectionEdgeAt(double x) const
{
    if (!hasSelection())
        return -1;
    if (qAbs(xOf(m_selectionFrom) - x) <= edgeReach)
        return 0;
    if (qAbs(xOf(m_selectionTo) - x) <= edgeReach)
        return 1;
    return -1;
}

void WaveformView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_summary) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_clearLater->stop();
    const double x = event->position().x();
    m_pressX = x;
    m_dragging = false;
    // An edge under the pointer moves; Shift+click extends from the far
    // edge; anything else may start a new selection, once it is dragged.
    if (const int edge = selectionEdgeAt(x); edge >= 0) {
        m_anchor = edge == 0 ? m_selectionTo : m_selectionFrom;
        m_dragging = true;
    } else if (event->modifiers() & Qt::ShiftModifier && hasSelection()) {
        const qint64 at = boundaryAt(x);
        m_anchor = qAbs(at - m_selectionFrom) > qAbs(at - m_selectionTo) ? m_selectionFrom : m_selectionTo;
        m_dragging = true;
        select(qMin(m_anchor, at), qMax(m_anchor, at));
    } else {
        m_anchor = boundaryAt(x);
    }
}

void WaveformView::mouseMoveEvent(QMouseEvent *event)
{
    const double x = event->position().x();
    if (!m_summary || m_anchor < 0) {
        setCursor(m_summary && selectionEdgeAt(x) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    if (!m_dragging && qAbs(x - m_pressX) < QApplication::startDragDistance())
        return;
    m_dragging = true;
    const qint64 at = boundaryAt(x);
    select(qMin(m_anchor, at), qMax(m_anchor, at));
}

void WaveformView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_anchor < 0) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    // A click without a drag clears the selection, once it is clear that it
    // was not the first click of a double-click.
    if (!m_dragging)
        m_clearLater->start();
    m_anchor = -1;
    m_dragging = false;
}

void WaveformView::setSummary(std::shared_ptr<const WaveformSummary> summary)
{
    m_summary = std::move(summary);
    m_message.clear();
    m_playByte = -1;
    // The bytes are others now: the old selection would point elsewhere.
    clearSelection();
    showWhole();
}

void WaveformView::showChangedBytes(std::shared_ptr<const WaveformSummary> summary)
{
    if (!m_summary || !summary || summary->size() != m_summary->size()) {
        setSummary(std::move(summary));
        return;
    }
    m_summary = std::move(summary);
    m_columns.clear();
    update();
}

void WaveformView::showMessage(const QString &text)
{
    m_summary.reset();
    m_message = text;
    m_playByte = -1;
    m_columns.clear();
    clearSelection();
    emit spanChanged(0, 0, 0);
    update();
}

void WaveformView::setPlayPosition(qint64 byte)
{
    if (byte == m_playByte)
        return;
    m_playByte = byte;
    update();
}

void WaveformView::scrollTo(qint64 firstByte)
{
    setSpan(double(firstByte), m_bytesPerPixel);
}

void WaveformView::showWhole()
{
    m_whole = true;
    setSpan(0, m_summary ? double(m_summary->size()) / qMax(width(), 1) : 1);
}

void WaveformView::setSpan(double first, double bytesPerPixel)
{
    if (!m_summary) {
        update();
        return;
    }
    const double size = double(m_summary->size());
    const double whole = size / qMax(width(), 1);
    m_bytesPerPixel = qBound(qMin(fewestBytesPerPixel, whole), bytesPerPixel, whole);
    m_whole = m_bytesPerPixel >= whole;
    m_first = qBound(0.0, first, qMax(0.0, size - width() * m_bytesPerPixel));
    m_columns.clear();
    update();
    emit spanChanged(qint64(m_first), qMin(qint64(std::ceil(width() * m_bytesPerPixel)), m_summary->size()),
                     m_summary->size());
}

int WaveformView::columnOf(qint64 byte) const
{
    return int(std::floor(xOf(byte)));
}

double WaveformView::yOf(int value) const
{
    const double middle = (height() - 1) / 2.0;
    return middle - value * middle / 128.0;
}

void WaveformView::measureColumns()
{
    m_columns.assign(size_t(width()), Peak());
    for (int column = 0; column < width(); ++column) {
        const auto from = qint64(std::floor(m_first + column * m_bytesPerPixel));
        const auto to = qint64(std::floor(m_first + (column + 1) * m_bytesPerPixel));
        m_columns[size_t(column)] = m_summary->extent(from, qMax(to, from + 1));
    }
}

void WaveformView::resizeEvent(QResizeEvent *)
{
    if (m_whole)
        showWhole();
    else
        setSpan(m_first, m_bytesPerPixel);
}

void WaveformView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (!m_summary)
        return;
    const QPoint angle = event->angleDelta();
    const double shown = width() * m_bytesPerPixel;
    if (angle.x() != 0 || event->modifiers() & Qt::ShiftModifier) {
        const int notches = angle.x() != 0 ? angle.x() : angle.y();
        setSpan(m_first - notches / 120.0 * shown / 8, m_bytesPerPixel);
        return;
    }
    // The byte under the pointer stays under it.
    const double x = event->position().x();
    const double anchor = m_first + x * m_bytesPerPixel;
    const double size = double(m_summary->size());
    const double whole = size / qMax(width(), 1);
    const double bytesPerPixel = qBound(qMin(fewestBytesPerPixel, whole),
                                        m_bytesPerPixel * std::pow(zoomPerNotch, angle.y() / 120.0), whole);
    setSpan(anchor - x * bytesPerPixel, bytesPerPixel);
}

void WaveformView::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    m_clearLater->stop();
    m_anchor = -1;
    showWhole();
}

void WaveformView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &colours = palette();
    painter.fillRect(rect(), colours.window());
    if (!m_summary) {
        painter.setPen(colours.color(QPalette::WindowText));
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, m_message);
        return;
    }
    const TrackerLayout &layout = m_summary->layout;
    if (layout.looped) {
        const int first = columnOf(layout.loopStart);
        const int last = columnOf(layout.loopStart + layout.loopLength - 1);
        painter.fillRect(QRect(first, 0, last - first + 1, height()), colours.highlight());
    }
    drawWave(painter);
    drawSelection(painter);
    if (layout.looped) {
        painter.setPen(colours.color(QPalette::WindowText));
        for (const qint64 edge : {layout.loopStart, layout.loopStart + layout.loopLength - 1})
            painter.drawLine(columnOf(edge), 0, columnOf(edge), height());
    }
    if (m_summary->size() > trackerSampleBytesLimit) {
        QColor veil = colours.color(QPalette::Window);
        veil.setAlpha(dimming);
        const int from = qMax(columnOf(trackerSampleBytesLimit), 0);
        painter.fillRect(QRect(from, 0, width() - from, height()), veil);
    }
    drawLimit(painter, classicTrackerSampleBytes, tr("%1: classic trackers play up to here"), 0);
    drawLimit(painter, trackerSampleBytesLimit, tr("%1: no classic tracker holds more"), 1);
    if (m_playByte >= 0 && m_playByte < m_summary->size()) {
        painter.setPen(QPen(colours.color(QPalette::WindowText), 2));
        painter.drawLine(columnOf(m_playByte), 0, columnOf(m_playByte), height());
    }
}

void WaveformView::drawWave(QPainter &painter)
{
    const QPalette &colours = palette();
    const TrackerLayout &layout = m_summary->layout;
    const QColor plain = colours.color(QPalette::WindowText);
    const QColor onLoop = colours.color(QPalette::HighlightedText);
    const int loopFirst = layout.looped ? columnOf(layout.loopStart) : 1;
    const int loopLast = layout.looped ? columnOf(layout.loopStart + layout.loopLength - 1) : 0;
    if (m_bytesPerPixel > 1) {
        if (m_columns.empty())
            measureColumns();
        QList<QLine> lines[2];
        for (int column = 0; column < int(m_columns.size()); ++column) {
            const Peak peak = m_columns[size_t(column)];
            if (!peak.isEmpty())
                lines[column >= loopFirst && column <= loopLast].append(
                    QLine(column, qRound(yOf(peak.high)), column, qRound(yOf(peak.low))));
        }
        painter.setPen(plain);
        painter.drawLines(lines[0]);
        painter.setPen(onLoop);
        painter.drawLines(lines[1]);
        return;
    }
    // Zoomed in to single bytes: the bytes themselves, each at its middle.
    QPolygonF bytes;
    const auto first = qMax<qint64>(qint64(m_first) - 1, 0);
    const auto last = qMin(qint64(m_first + width() * m_bytesPerPixel) + 1, m_summary->size() - 1);
    for (qint64 byte = first; byte <= last; ++byte)
        bytes.append(QPointF(xOf(byte) + .5 / m_bytesPerPixel, yOf(m_summary->at(byte))));
    painter.setPen(plain);
    painter.drawPolyline(bytes);
    if (loopFirst <= loopLast) {
        painter.setClipRect(QRect(loopFirst, 0, loopLast - loopFirst + 1, height()));
        painter.setPen(onLoop);
        painter.drawPolyline(bytes);
        painter.setClipping(false);
    }
}

void WaveformView::drawSelection(QPainter &painter)
{
    if (!hasSelection())
        return;
    // A lighter shade of the loop's colour, framed, so the two are never
    // taken one for the other, even where they overlap.
    const int first = qMax(int(std::floor(xOf(m_selectionFrom))), -1);
    const int last = qMin(int(std::ceil(xOf(m_selectionTo))) - 1, width());
    QColor shade = palette().color(QPalette::Highlight);
    shade.setAlpha(selectionShade);
    const QRect area(first, 0, qMax(last - first + 1, 1), height());
    painter.fillRect(area, shade);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(1, 1, -1, -1));
}

void WaveformView::drawLimit(QPainter &painter, qint64 byte, const QString &says, int row)
{
    if (byte >= m_summary->size())
        return;
    const int x = columnOf(byte);
    if (x < 0 || x >= width())
        return;
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DashLine));
    painter.drawLine(x, 0, x, height());
    const QString label = says.arg(QLocale(QLocale::English).toString(byte));
    const int labelWidth = painter.fontMetrics().horizontalAdvance(label);
    const int margin = 4;
    // Right of the mark, or left of it where the view ends; each limit on a
    // line of its own, as a long sample brings the two close together.
    const int left = x + margin + labelWidth <= width() ? x + margin : x - margin - labelWidth;
    painter.drawText(QPoint(left, painter.fontMetrics().ascent() + margin + row * painter.fontMetrics().lineSpacing()),
                     label);
}
