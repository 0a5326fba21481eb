#pragma once

#include "waveformsummary.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

/// Draws a finished sample: the peaks of each pixel column, or the bytes
/// themselves as a line when zoomed in that far, its loop shaded, the two
/// limits of classic trackers marked, what lies past the second dimmed, and
/// the playing position. Without a sample it shows a message instead. The
/// wheel zooms around the pointer (with Shift, or sideways, it scrolls); a
/// double-click shows the whole sample again.
class WaveformView : public QWidget
{
    Q_OBJECT

public:
    explicit WaveformView(QWidget *parent = nullptr);

    /// Shows \a summary whole.
    void setSummary(std::shared_ptr<const WaveformSummary> summary);
    const WaveformSummary *summary() const { return m_summary.get(); }
    /// Shows \a text in place of a picture.
    void showMessage(const QString &text);
    /// Marks the byte of the BODY that is playing; -1 for none.
    void setPlayPosition(qint64 byte);
    /// Scrolls so that \a firstByte is at the left edge.
    void scrollTo(qint64 firstByte);
    void showWhole();

    QSize sizeHint() const override { return {720, 220}; }
    QSize minimumSizeHint() const override { return {160, 80}; }

signals:
    /// The bytes shown, from \a first on, \a shown of them, of \a total.
    void spanChanged(qint64 first, qint64 shown, qint64 total);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void setSpan(double first, double bytesPerPixel);
    double xOf(qint64 byte) const { return (double(byte) - m_first) / m_bytesPerPixel; }
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
};
