#pragma once

#include "waveformsummary.h"

#include <QString>
#include <QWidget>

class QTimer;

#include <memory>
#include <vector>

/// Draws a finished sample: the peaks of each pixel column, or the bytes
/// themselves as a line when zoomed in that far, its loop shaded, the two
/// limits of classic trackers marked, what lies past the second dimmed, the
/// playing position and the user's selection. Without a sample it shows a
/// message instead. The wheel zooms around the pointer (with Shift, or
/// sideways, it scrolls); a double-click shows the whole sample again.
/// Pressing and dragging selects bytes, Shift+click extends the selection,
/// an edge of it moves when dragged, and a click without a drag clears it.
class WaveformView : public QWidget
{
    Q_OBJECT

public:
    explicit WaveformView(QWidget *parent = nullptr);

    /// Shows \a summary whole.
    void setSummary(std::shared_ptr<const WaveformSummary> summary);
    const WaveformSummary *summary() const { return m_summary.get(); }
    std::shared_ptr<const WaveformSummary> sharedSummary() const { return m_summary; }
    /// Shows \a summary, the same sample with some bytes changed, where the
    /// one shown was: the zoom and the selection stay.
    void showChangedBytes(std::shared_ptr<const WaveformSummary> summary);
    /// Shows \a text in place of a picture.
    void showMessage(const QString &text);
    /// Marks the byte of the BODY that is playing; -1 for none.
    void setPlayPosition(qint64 byte);
    qint64 playPosition() const { return m_playByte; }
    /// The bytes selected, from \a from up to, not including, \a to; an
    /// empty range when nothing is.
    qint64 selectionStart() const { return m_selectionFrom; }
    qint64 selectionEnd() const { return m_selectionTo; }
    bool hasSelection() const { return m_selectionTo > m_selectionFrom; }
    void select(qint64 from, qint64 to);
    void selectAll();
    void clearSelection() { select(0, 0); }
    /// Scrolls so that \a firstByte is at the left edge.
    void scrollTo(qint64 firstByte);
    void showWhole();

    QSize sizeHint() const override { return {720, 220}; }
    QSize minimumSizeHint() const override { return {160, 80}; }

signals:
    /// The bytes shown, from \a first on, \a shown of them, of \a total.
    void spanChanged(qint64 first, qint64 shown, qint64 total);
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setSpan(double first, double bytesPerPixel);
    double xOf(qint64 byte) const { return (double(byte) - m_first) / m_bytesPerPixel; }
    /// The byte boundary nearest \a x, within the sample.
    qint64 boundaryAt(double x) const;
    /// Which edge of the selection is under \a x: -1 none, 0 its start, 1 its end.
    int selectionEdgeAt(double x) const;
    void drawSelection(QPainter &painter);
    int columnOf(qint64 byte) const;
    double yOf(int value) const;
    void measureColumns();
    void drawWave(QPainter &painter);
    /// Marks \a byte with a dashed line, and labels it with \a says (the
    /// byte in place of %1) on label line \a row.
    void drawLimit(QPainter &painter, qint64 byte, const QString &says, int row);

    std::shared_ptr<const WaveformSummary> m_summary;
    QString m_message;
    double m_first = 0;          // the byte at the left edge
    double m_bytesPerPixel = 1;
    bool m_whole = true;         // follows the width when resized
    qint64 m_playByte = -1;
    std::vector<Peak> m_columns; // empty: to be measured
    qint64 m_selectionFrom = 0;
    qint64 m_selectionTo = 0;
    qint64 m_anchor = -1;     // while the left button is down: the boundary the selection grows from
    double m_pressX = 0;
    bool m_dragging = false;  // the press has moved far enough to select
    QTimer *m_clearLater;     // a click clears the selection, unless it was a double-click
};
