#include "trackerengine.h"

#include <QDebug>

#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include <sstream>

namespace {

// libopenmpt numbers notes 0 to 119; ProTracker's C-1 (period 856) is its
// note 48, found by rendering: its C-2 (period 428) is 60, "middle C".
constexpr int firstTrackerNote = 48;
constexpr int trackerNotes = 36;
constexpr int patternChannels = 4;

const char *amigaType(AmigaModel model)
{
    switch (model) {
    case AmigaModel::Amiga500:
        return "a500";
    case AmigaModel::Amiga1200:
        return "a1200";
    case AmigaModel::Unfiltered:
        break;
    }
    return "unfiltered";
}

} // namespace

struct TrackerEngine::Library
{
    std::ostringstream log; // libopenmpt's messages, which we do not show
    std::unique_ptr<openmpt::module_ext> module;
    openmpt::ext::interactive *interactive = nullptr;
};

TrackerEngine::TrackerEngine(std::unique_ptr<Library> library, Mode mode)
    : m_library(std::move(library))
    , m_mode(mode)
{
}

TrackerEngine::~TrackerEngine() = default;

std::unique_ptr<TrackerEngine> TrackerEngine::load(const QByteArray &module, Mode mode, AmigaModel model)
{
    auto library = std::make_unique<Library>();
    try {
        library->module = std::make_unique<openmpt::module_ext>(module.constData(), size_t(module.size()), library->log);
        openmpt::module_ext &loaded = *library->module;
        loaded.ctl_set_boolean("render.resampler.emulate_amiga", true);
        loaded.ctl_set_text("render.resampler.emulate_amiga_type", amigaType(model));
        // Dither would make every rendering of the same notes differ.
        loaded.ctl_set_integer("dither", 0);
        library->interactive =
            static_cast<openmpt::ext::interactive *>(loaded.get_interface(openmpt::ext::interactive_id));
        if (mode == Mode::Keys) {
            // Notes started by hand sound only while the song goes on, so it
            // goes on for ever, and its own notes are never heard.
            if (!library->interactive)
                return nullptr;
            loaded.set_repeat_count(-1);
            for (int channel = 0; channel < qMin(patternChannels, int(loaded.get_num_channels())); ++channel)
                library->interactive->set_channel_mute_status(channel, true);
        }
    } catch (const std::exception &error) {
        qDebug().noquote() << QStringLiteral("libopenmpt refused the module: %1").arg(QString::fromLocal8Bit(error.what()));
        return nullptr;
    }
    return std::unique_ptr<TrackerEngine>(new TrackerEngine(std::move(library), mode));
}

void TrackerEngine::setAmigaModel(AmigaModel model)
{
    m_library->module->ctl_set_text("render.resampler.emulate_amiga_type", amigaType(model));
}

int TrackerEngine::noteOn(int slot, int note)
{
    if (!m_library->interactive || note < 0 || note >= trackerNotes || slot < 1
        || slot > m_library->module->get_num_samples())
        return -1;
    try {
        return m_library->interactive->play_note(slot - 1, firstTrackerNote + note, 1.0, 0.0);
    } catch (const std::exception &) {
        return -1;
    }
}

void TrackerEngine::noteOff(int voice)
{
    if (!m_library->interactive || voice < 0)
        return;
    try {
        m_library->interactive->stop_note(voice);
    } catch (const std::exception &) {
        // A voice that is no more is silent already.
    }
}

qint64 TrackerEngine::render(qint16 *frames, qint64 count, int rate)
{
    qint64 rendered = 0;
    try {
        // libopenmpt takes a size_t count; render in pieces it surely takes.
        while (rendered < count) {
            const size_t piece = size_t(qMin<qint64>(count - rendered, 1 << 16));
            const size_t done = m_library->module->read(rate, piece, frames + rendered);
            rendered += qint64(done);
            if (done < piece)
                break;
        }
    } catch (const std::exception &) {
    }
    return rendered;
}
