// Selecting bytes of the picture, as in a sample editor: dragged, extended
// with Shift, an edge moved, cleared with a click; and slice markers
// dragged, which come before the selection's edges.

#include "waveformview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {

// How much of the selection's colour shows: a lighter shade than the loop's.
constexpr int selectionShade = 70;
// How near, in pixels, the pointer must be to take an edge of the selection.
constexpr int edgeReach = 4;

} // namespace

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
    // A slice marker under the pointer moves, before any selection.
    if (const int marker = markerAt(x); marker >= 0) {
        m_draggedMarker = marker;
        m_dragByte = m_markers.at(marker);
        return;
    }
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
    m_pointerX = x;
    if (m_summary && m_draggedMarker >= 0) {
        m_dragByte = boundaryAt(x);
        update();
        return;
    }
    if (!m_summary || m_anchor < 0) {
        setCursor(!m_summary                ? Qt::ArrowCursor
                      : markerAt(x) >= 0        ? Qt::SplitHCursor
                      : selectionEdgeAt(x) >= 0 ? Qt::SizeHorCursor
                                                : Qt::ArrowCursor);
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
    if (event->button() == Qt::LeftButton && m_draggedMarker >= 0) {
        event->accept();
        const int marker = m_draggedMarker;
        m_draggedMarker = -1;
        update();
        if (m_summary && m_dragByte != m_markers.value(marker))
            emit markerMoved(marker, m_dragByte);
        return;
    }
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
