#pragma once

#include "recordinglook.h"
#include "slices.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class WaveformWindow;

/// The waveform window's slicing: the shown sample's slice markers, drawn
/// over its picture, set by hand (Ctrl+M at the pointer, dragged, Delete
/// with the pointer on one), at its hits, at its silences or in equal
/// parts, cleared, and Slices to Samples, which puts one sample per slice
/// in its place. Each change is one step of the kit's history. What is read
/// of the recording is read away from the window's thread.
class WaveformSlicing : public QObject
{
    Q_OBJECT

public:
    explicit WaveformSlicing(WaveformWindow *window);
    ~WaveformSlicing() override;

    /// The window's slicing actions, in the order a menu lists them.
    QList<QAction *> actions() const;
    /// Enables what can be done on the picture as it is.
    void updateActions();
    /// Draws the shown sample's markers over its picture.
    void showMarkers();
    /// What the numbers line adds: " · 8 slice markers", or nothing.
    QString numbers() const;

private:
    /// The markers of the shown sample within the part it keeps, in the
    /// recording's frames: those of a preview while one is shown.
    QList<qint64> shownMarkers() const;
    qint64 byteOf(qint64 frame) const;
    /// The index of the shown sample, when the picture shows it as it is; -1 otherwise.
    int shownIndex() const;
    /// Gives the shown sample \a markers as one step named \a text.
    void store(const SliceMarkers &markers, const QString &text);
    /// Reads the shown sample's recording for \a what, then calls \a then
    /// with what was found, if the picture still shows that sample as it was.
    void look(Looking what, std::function<void(const RecordingLook &)> then);

    void addMarker();
    void addMarkerAt(qint64 frame);
    void removeMarker();
    void moveMarker(int index, qint64 byte);
    void sliceAtHits();
    void previewHits(int sensitivity);
    void sliceAtSilences();
    void sliceIntoEqualParts();
    void clearMarkers();
    void slicesToSamples();

    WaveformWindow *m_window;
    QAction *m_add;
    QAction *m_remove;
    QAction *m_hits;
    QAction *m_silences;
    QAction *m_equal;
    QAction *m_clear;
    QAction *m_toSamples;
    std::unique_ptr<QFutureWatcher<RecordingLook>> m_looking;
    std::unique_ptr<QFutureWatcher<SlicePlan>> m_planning;
    QPointer<QDialog> m_hitsDialog;
    RecordingLook m_hitLook;        // while Slice at Hits is open: the curve to pick from
    std::optional<QList<qint64>> m_preview; // markers shown before they are set
    int m_sensitivity;
    // How many frames the shown sample's whole recording holds, read once
    // for each recording shown: a marker set by hand is set against it.
    std::unique_ptr<QFutureWatcher<qint64>> m_measuring;
    QString m_measured;
    qint64 m_recordingFrames = -1;
    std::optional<qint64> m_pendingMarker; // asked for before the length was known
};
