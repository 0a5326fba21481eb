// Draws the waveform window's keys for the README: a computer keyboard's
// four rows of letters and digits, each key that plays a note marked with
// the note it plays after F2 (as at first) and, smaller, after F1. The notes
// come from the program's own key map, asked key by key as a key press
// asks it, so the picture cannot say other than the keys do.
//
//   brindlebox_keymap <output.png>
//
// Meant for the offscreen platform (scripts/screenshot sets it up).

#include "keymap.h"
#include "trackernotes.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QSaveFile>
#include <QTextStream>

#include <optional>

namespace {

/// One row of keys as a US keyboard bears them: its legends, the X keycode
/// of its first key, and how far it is set in, in keys.
struct Row
{
    QString legends;
    quint32 firstScanCode;
    double indent;
};

constexpr int keySize = 64;
constexpr int gap = 6;
constexpr int margin = 16;

/// The note the key with \a scanCode plays after \a octaveKey (F1 or F2).
std::optional<int> noteOf(quint32 scanCode, KeyOctaves octaves)
{
    const QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, scanCode, 0, 0);
    const std::optional<int> place = pianoKey(press);
    return place ? noteOfKey(*place, octaves) : std::nullopt;
}

bool isSharp(int note)
{
    return trackerNoteName(note).at(1) == QLatin1Char('#');
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "usage: brindlebox_keymap <output.png>\n";
        return 2;
    }
    const QList<Row> rows{{QStringLiteral("1234567890"), 10, 0.5},
                          {QStringLiteral("QWERTYUIOP"), 24, 1.0},
                          {QStringLiteral("ASDFGHJKL"), 38, 1.3},
                          {QStringLiteral("ZXCVBNM"), 52, 1.8}};
    const int width = 2 * margin + int(11.5 * (keySize + gap));
    const int height = 2 * margin + int(rows.size()) * (keySize + gap) + 28;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0xf4, 0xf4, 0xf2));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont legendFont(QStringLiteral("DejaVu Sans"));
    legendFont.setPixelSize(13);
    QFont noteFont = legendFont;
    noteFont.setPixelSize(17);
    noteFont.setBold(true);
    QFont smallFont = legendFont;
    smallFont.setPixelSize(11);

    for (int r = 0; r < rows.size(); ++r) {
        const Row &row = rows.at(r);
        for (int k = 0; k < row.legends.size(); ++k) {
            const QRectF key(margin + (row.indent + k) * (keySize + gap), margin + r * (keySize + gap), keySize, keySize);
            const quint32 scanCode = row.firstScanCode + quint32(k);
            const std::optional<int> note = noteOf(scanCode, KeyOctaves::FromC2);
            const std::optional<int> low = noteOf(scanCode, KeyOctaves::FromC1);
            const bool plays = note || low;
            const bool sharp = plays && isSharp(low ? *low : *note);
            painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.5));
            painter.setBrush(!plays ? QColor(0xe2, 0xe2, 0xe0) : sharp ? QColor(0x2b, 0x2b, 0x2b) : Qt::white);
            painter.drawRoundedRect(key, 7, 7);
            const QColor ink = sharp ? Qt::white : plays ? Qt::black : QColor(0x99, 0x99, 0x99);
            painter.setPen(ink);
            painter.setFont(legendFont);
            painter.drawText(key.adjusted(7, 5, -5, -5), Qt::AlignLeft | Qt::AlignTop, row.legends.at(k));
            if (note) {
                painter.setFont(noteFont);
                painter.drawText(key.adjusted(0, 14, 0, -14), Qt::AlignCenter, trackerNoteName(*note));
            }
            if (low) {
                painter.setFont(smallFont);
                painter.drawText(key.adjusted(5, 5, -6, -5), Qt::AlignRight | Qt::AlignBottom,
                                 QStringLiteral("F1 ") + trackerNoteName(*low));
            }
        }
    }
    painter.setPen(QColor(0x33, 0x33, 0x33));
    painter.setFont(legendFont);
    painter.drawText(QRectF(margin, height - margin - 22, width - 2 * margin, 22), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Large: the note after F2, as at first; small: after F1. "
                                    "A key plays by its place, whatever letter it bears."));
    painter.end();

    QSaveFile file(args.at(1));
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        err << "could not write " << args.at(1) << "\n";
        return 1;
    }
    return 0;
}
