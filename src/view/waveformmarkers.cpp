// The slice markers over the picture: drawn, found under the pointer.

#include "waveformview.h"

#include <QPainter>

#include <cmath>

namespace {

// How near, in pixels, the pointer must be to take a marker.
constexpr int markerReach = 4;

} // namespace

void WaveformView::setMarkers(const QList<qint64> &bytes)
{
    if (bytes == m_markers)
        return;
    m_markers = bytes;
    m_draggedMarker = -1;
    update();
}

int WaveformView::markerAt(double x) const
{
    if (!m_summary)
        return -1;
    int nearest = -1;
    double distance = markerReach + 0.5;
    for (int i = 0; i < m_markers.size(); ++i) {
        const double away = std::fabs(xOf(m_markers.at(i)) - x);
        if (away < distance) {
            nearest = i;
            distance = away;
        }
    }
    return nearest;
}

qint64 WaveformView::pointerByte() const
{
    return m_summary && m_pointerX >= 0 ? boundaryAt(m_pointerX) : -1;
}

void WaveformView::leaveEvent(QEvent *event)
{
    m_pointerX = -1;
    QWidget::leaveEvent(event);
}

void WaveformView::drawMarkers(QPainter &painter)
{
    if (m_markers.isEmpty())
        return;
    const QPalette &colours = palette();
    // The colours of a tool tip: neither the loop's nor the selection's.
    const QColor tab = colours.color(QPalette::ToolTipBase);
    const QColor ink = colours.color(QPalette::ToolTipText);
    const QFontMetrics metrics = painter.fontMetrics();
    const int tabHeight = metrics.height() + 2;
    for (int i = 0; i < m_markers.size(); ++i) {
        const qint64 byte = i == m_draggedMarker ? m_dragByte : m_markers.at(i);
        const int x = int(std::floor(xOf(byte)));
        if (x < -40 || x > width())
            continue;
        painter.setPen(QPen(colours.color(QPalette::WindowText), 1, Qt::DashDotLine));
        painter.drawLine(x, 0, x, height() - tabHeight);
        const QString label = QString::number(i + 1);
        const QRect box(x, height() - tabHeight, metrics.horizontalAdvance(label) + 6, tabHeight);
        painter.fillRect(box, tab);
        painter.setPen(ink);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.drawText(box, Qt::AlignCenter, label);
    }
}
