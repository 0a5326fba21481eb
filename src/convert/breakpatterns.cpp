#include "breakpatterns.h"

namespace {

constexpr qint64 palClock = 3546895; // a period times the rate it plays at
constexpr int patternBytes = rowsPerPattern * rowBytes;

/// Rows of one section of the song, from its first row.
class Rows
{
public:
    explicit Rows(qint64 count)
        : m_bytes(QByteArray(qMax<qint64>(count, 1) * rowBytes, '\0'))
    {
    }

    /// Writes one channel's note and effect in one row.
    void set(qint64 row, int channel, int sample, int period, int effect, int parameter)
    {
        char *cell = m_bytes.data() + row * rowBytes + channel * 4;
        cell[0] = char((sample & 0xf0) | (period >> 8));
        cell[1] = char(period & 0xff);
        cell[2] = char(((sample & 0x0f) << 4) | effect);
        cell[3] = char(parameter);
    }
    qint64 count() const { return m_bytes.size() / rowBytes; }
    /// Its patterns: whole ones, the last filled up with empty rows.
    QList<QByteArray> patterns() const
    {
        QList<QByteArray> cut;
        for (qint64 at = 0; at < m_bytes.size(); at += patternBytes) {
            QByteArray pattern = m_bytes.mid(at, patternBytes);
            pattern.append(QByteArray(patternBytes - pattern.size(), '\0'));
            cut << pattern;
        }
        return cut;
    }

private:
    QByteArray m_bytes;
};

/// Where a run of slices side by side begins and ends, in songSlots.
struct Run
{
    int first = 0;
    int last = 0;
};

QList<Run> breaksIn(const QList<SongSlot> &songSlots)
{
    QList<Run> runs;
    for (int first = 0; first < songSlots.size();) {
        int last = first;
        while (songSlots.at(first).slice && last + 1 < songSlots.size()) {
            const std::optional<SliceOrigin> &before = songSlots.at(last).slice;
            const std::optional<SliceOrigin> &next = songSlots.at(last + 1).slice;
            if (!next || next->recording != before->recording || next->rate != before->rate
                || next->start < before->start + before->frames)
                break;
            ++last;
        }
        if (last > first)
            runs << Run{first, last};
        first = last + 1;
    }
    return runs;
}

/// The rows of the break of \a run: speed 1 and tempo 250 at its first, so
/// that a row is 10 ms, each slice at the row nearest its time after the
/// first, on channels 1 and 4 in turn, then a pattern break. The first row
/// holds no note: a tracker plays it at the tempo before, and the notes
/// keep their times only from the next row on.
Rows breakRows(const QList<SongSlot> &songSlots, const Run &run)
{
    const SliceOrigin &first = *songSlots.at(run.first).slice;
    qint64 end = 0;
    bool loops = false;
    QList<qint64> starts;
    for (int i = run.first; i <= run.last; ++i) {
        const SongSlot &slot = songSlots.at(i);
        const qint64 offset = slot.slice->start - first.start;
        const qint64 row = 1 + (2 * offset * breakRowsPerSecond + first.rate) / (2 * qint64(qMax(first.rate, 1)));
        const qint64 sounding = (slot.bytes * slot.period * breakRowsPerSecond + palClock - 1) / palClock;
        starts << row;
        end = qMax(end, row + qMax<qint64>(sounding, 1));
        loops = loops || slot.loops;
    }
    Rows rows(qMax<qint64>(end + (loops ? 1 : 0), 2));
    rows.set(0, 1, 0, 0, 0xf, 1);
    rows.set(0, 2, 0, 0, 0xf, breakTempo);
    for (int i = run.first; i <= run.last; ++i)
        rows.set(starts.at(i - run.first), (i - run.first) % 2 == 0 ? 0 : 3, i + 1, songSlots.at(i).period, 0, 0);
    if (loops) {
        rows.set(end, 0, 0, 0, 0xc, 0);
        rows.set(end, 3, 0, 0, 0xc, 0);
    }
    rows.set(rows.count() - 1, 1, 0, 0, 0xd, 0);
    return rows;
}

/// The song of \a sections, each starting a pattern, with identical
/// patterns kept once.
Song songOfSections(const QList<Rows> &sections)
{
    Song song;
    for (const Rows &section : sections) {
        for (const QByteArray &pattern : section.patterns()) {
            qsizetype number = song.patterns.indexOf(pattern);
            if (number < 0) {
                number = song.patterns.size();
                song.patterns << pattern;
            }
            song.order.append(char(number));
        }
    }
    return song;
}

} // namespace

Song songOf(const QList<SongSlot> &songSlots, bool silenceLast)
{
    qint64 auditionRows = silenceLast ? 1 : 0;
    for (const SongSlot &slot : songSlots)
        auditionRows += slot.auditionRows;
    Rows audition(auditionRows);
    qint64 row = 0;
    for (int i = 0; i < songSlots.size(); ++i) {
        audition.set(row, 0, i + 1, songSlots.at(i).period, 0, 0);
        row += songSlots.at(i).auditionRows;
    }
    if (silenceLast)
        audition.set(row, 0, 0, 0, 0xc, 0);
    // A pattern break on the last order ends the song at this row, not after
    // the rest of its pattern; on another it goes on to the break.
    audition.set(audition.count() - 1, 1, 0, 0, 0xd, 0);

    QList<Run> runs = breaksIn(songSlots);
    int leftOut = 0;
    forever {
        QList<Rows> sections{audition};
        if (!runs.isEmpty()) {
            // The song starts again at the audition's own speed.
            sections.first().set(0, 1, 0, 0, 0xf, 6);
            sections.first().set(0, 2, 0, 0, 0xf, 125);
        }
        for (const Run &run : std::as_const(runs))
            sections << breakRows(songSlots, run);
        Song song = songOfSections(sections);
        if ((song.patterns.size() <= mostPatterns && song.order.size() <= mostOrders) || runs.isEmpty()) {
            song.breaksLeftOut = leftOut;
            return song;
        }
        // What does not fit a module is left out, a whole break at a time.
        runs.removeLast();
        ++leftOut;
    }
}
