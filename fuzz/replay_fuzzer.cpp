// A fuzzed folder played through the replay model by a fuzzed program of
// playback commands, ticks, seeks, trackbar moves, searches, day changes and
// folder loads. After every step the model's invariants must hold: the
// cursor inside the loaded events and past the snapshot it was rebuilt from,
// the clock inside the day after a seek, the fixed containers within their
// capacities, and the published view an exact copy of the live state.
//
// Input: the first byte is the length of the program, the program's bytes
// follow, and the rest is the folder (writeFuzzedFolder).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz/display_check.h"
#include "fuzz/fuzz_support.h"
#include "replay/viewer_state.h"

using namespace zelkam;

namespace {

enum Step : std::uint8_t {
    Tick,
    Ticks,
    Command,
    SeekNearEvent,
    SeekAnywhere,
    SeekMinute,
    Find,
    LoadDayAt,
    LoadDayNear,
    LoadDayAnywhere,
    Unload,
    LoadFolder,
    LoadMissingFolder,
    StepCount
};
const char* const stepNames[StepCount] = {"tick",  "ticks",   "command", "seekNear", "seek",   "minute", "find",
                                          "dayAt", "dayNear", "day",     "unload",   "folder", "missing"};

// Reports which invariant broke before stopping, so a finding reads at once.
#define check(condition)                                                                       \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "replay_fuzzer.cpp:%d: broken: %s\n", __LINE__, #condition);  \
            __builtin_trap();                                                                  \
        }                                                                                      \
    } while (false)

// The snapshot a seek to t restores: the last one every event up to which
// is stamped before t (the first when none is). Times out of order in the
// log make this differ from "the last one stamped before t".
std::size_t snapshotFor(const ViewerState& state, std::int32_t t)
{
    std::size_t chosen = 0;
    while (chosen < state.snapshots().size() && state.snapshots()[chosen].servesSeekTo(t))
        ++chosen;
    return chosen > 0 ? chosen - 1 : 0;
}

bool samePlayer(const PlayerEntry& a, const PlayerEntry& b)
{
    return a.name == b.name && a.userId == b.userId && a.wonId == b.wonId && a.addressKey == b.addressKey
        && a.team == b.team && a.lifeState == b.lifeState && a.frags == b.frags && a.deaths == b.deaths;
}

// rebuilt: the step ended in a seek (the state was rebuilt from snapshot
// `base` up to the clock). base: the snapshot the live state was last rebuilt
// from; forward play and search hits only move on from there.
void checkInvariants(const ViewerState& state, bool rebuilt, std::size_t base)
{
    check(state.live().chatLines.size() <= ChatLineCapacity);
    check(state.live().roster.count <= Roster::Capacity);
    check(state.live().recentPlayers.size() <= RecentPlayerCapacity);
    check(state.speed() == 0 || state.speed() == 1 || state.speed() == 5 || state.speed() == 60);
    check(state.live().mapName != nullptr);

    // The view is a copy of the live state.
    check(state.viewClock() == state.clock());
    check(state.viewMinute() == static_cast<std::int32_t>((std::int64_t{state.clock()} - state.dayStart()) / 60));
    check(state.viewMapName() == state.live().mapName);
    check(state.viewPlayers().size() == state.live().roster.count);
    for (std::size_t i = 0; i < state.live().roster.count; ++i) {
        check(samePlayer(state.viewPlayers()[i], state.live().roster.entries[i]));
        // Names must still point into the loaded window (the sanitizer checks).
        if (state.viewPlayers()[i].name)
            check(std::strlen(state.viewPlayers()[i].name) < 256);
    }
    check(state.viewChatLines().size() == state.live().chatLines.size());
    for (std::size_t i = 0; i < state.live().chatLines.size(); ++i) {
        const ChatLine& shown = state.viewChatLines()[i];
        const ChatLine& live = state.live().chatLines[i];
        check(std::memchr(shown.text, '\0', sizeof shown.text) != nullptr);
        check(shown.time == live.time && shown.style == live.style && std::strcmp(shown.text, live.text) == 0);
        // Every composed line, as any output would write it.
        fuzz::checkDisplayForms(shown.text);
    }
    check(std::strlen(state.viewMapName()) < 256);

    if (state.isEmptyDay()) {
        // Commands still set the speed; an empty day just has nothing to play.
        check(state.clock() == state.dayStart() && state.viewMinute() == 0);
        check(state.live().roster.count == 0 && state.live().chatLines.empty() && state.live().recentPlayers.empty());
        check(state.live().mapName[0] == '\0' && state.live().ctScore == 0 && state.live().tScore == 0);
        return;
    }

    const EventList& events = state.events();
    check(!events.empty());
    check(state.lastEvent() == events.size() - 1);
    // The day ends at the next day's first event, or with the window.
    check(state.dayFirstEvent() <= state.dayEndEvent() && state.dayEndEvent() <= events.size());
    check(state.dayEndEvent() == events.size() || events[state.dayEndEvent()].time >= state.day().nextDayStart());
    check(state.cursor() <= events.size());
    check(events[state.dayFirstEvent()].time >= state.dayStart());
    check(state.dayFirstEvent() == 0 || events[state.dayFirstEvent() - 1].time < state.dayStart());

    check(!state.snapshots().empty() && state.snapshots()[0].event == 0);
    // A snapshot's reach is the latest stamp of the events up to it.
    std::int32_t reach = events[0].time;
    std::size_t reached = 0;
    for (std::size_t i = 0; i < state.snapshots().size(); ++i) {
        const Snapshot& snapshot = state.snapshots()[i];
        check(snapshot.event <= state.lastEvent() && snapshot.time == events[snapshot.event].time);
        check(i == 0 || state.snapshots()[i - 1].event <= snapshot.event);
        for (; reached <= snapshot.event; ++reached)
            reach = std::max(reach, events[reached].time);
        check(snapshot.reach == reach);
        check(snapshot.playerCount <= RecentPlayerCapacity && snapshot.mapName != nullptr);
    }

    // Every event before the cursor has been applied: it stands past the
    // snapshot it was rebuilt from, and no event it has reached lies before
    // the clock.
    check(base < state.snapshots().size() && state.cursor() >= state.snapshots()[base].event);
    check(state.cursor() >= state.lastEvent() || events[state.cursor()].time >= state.clock());
    if (rebuilt) {
        for (std::size_t e = state.snapshots()[base].event; e < state.cursor(); ++e)
            check(events[e].time < state.clock());
        // The seek's clamp: not before the day's first event, else not after
        // its end. With stamps out of order the end may lie before the first
        // event, and the clock then lands on one of the two.
        const std::int32_t first = events[state.dayFirstEvent()].time;
        const std::int32_t end = state.day().endTime();
        check(state.clock() >= std::min(first, end) && state.clock() <= std::max(first, end));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchFolder scratch;
    if (size == 0)
        return 0;
    const std::size_t programLength = data[0] < size - 1 ? data[0] : size - 1;
    fuzz::FuzzProgram program(data + 1, programLength);
    const std::string_view folderInput(reinterpret_cast<const char*>(data) + 1 + programLength,
                                       size - 1 - programLength);
    fuzz::writeFuzzedFolder(scratch, folderInput);
    const std::string folder = scratch.path().string();

    // Large: its snapshots hold copies of the recent-player ring.
    static ViewerState* const state = new ViewerState;
    state->unload();
    state->loadFolder(folder);
    std::size_t base = state->isEmptyDay() ? 0 : snapshotFor(*state, state->clock());

    // ZELKAM_FUZZ_TRACE=1 prints the files, the events and the state after
    // each step, for reading a finding.
    static const bool trace = std::getenv("ZELKAM_FUZZ_TRACE") != nullptr;
    const auto show = [&](const char* what) {
        if (!trace)
            return;
        std::fprintf(stderr, "%-8s empty=%d days=%zu dayStart=%d clock=%d speed=%d rewinding=%d", what,
                     state->isEmptyDay(), state->days().size(), state->dayStart(), state->clock(), state->speed(),
                     state->rewinding());
        std::fprintf(stderr, " cursor=%zu first=%zu end=%zu last=%zu\n", state->cursor(), state->dayFirstEvent(),
                     state->dayEndEvent(), state->lastEvent());
        for (const LogFileEntry& entry : state->folder().files().entries)
            std::fprintf(stderr, "  file %s %d\n", entry.name.c_str(), entry.startTime);
        for (std::size_t e = 0; !state->isEmptyDay() && e < state->events().size(); ++e)
            std::fprintf(stderr, "  %zu: kind %d time %d\n", e, state->events()[e].kind, state->events()[e].time);
    };
    show("load");
    checkInvariants(*state, true, base);

    for (int steps = 0; steps < 64 && !program.done(); ++steps) {
        const std::size_t cursorBefore = state->cursor();
        const std::int32_t clockBefore = state->clock();
        const bool wasEmpty = state->isEmptyDay();
        bool rebuilt = false;
        const auto step = static_cast<Step>(program.byte() % StepCount);
        switch (step) {
        case Tick:
        case Ticks: {
            const int count = program.byte() % 64 + 1;
            for (int i = 0; i < count; ++i) {
                const bool idle = state->isEmptyDay() || state->speed() == 0;
                const std::size_t cursor = state->cursor();
                const std::int32_t clock = state->clock();
                check(state->tick() == !idle);
                if (idle)
                    check(state->cursor() == cursor && state->clock() == clock);
                else if (state->rewinding())
                    rebuilt = true; // a rewinding tick is a seek
                else
                    check(state->cursor() >= cursor);
            }
            break;
        }
        case Command: {
            const auto command = static_cast<PlaybackCommand>(program.byte() % 6);
            state->command(command);
            check(state->rewinding() == (command == PlaybackCommand::Rewind));
            check(state->cursor() == cursorBefore && state->clock() == clockBefore);
            break;
        }
        case SeekNearEvent: {
            // Times of the loaded events and the seconds around them are
            // where the boundaries are.
            const std::int32_t offset = static_cast<std::int8_t>(program.byte()) % 4;
            std::int64_t target = state->dayStart();
            if (!state->isEmptyDay()) {
                const std::size_t event = program.byte() % state->events().size();
                target = state->events()[event].time;
            }
            state->seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(
                target + offset, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max())));
            rebuilt = true;
            break;
        }
        case SeekAnywhere:
            state->seek(program.word());
            rebuilt = true;
            break;
        case SeekMinute: {
            const std::uint8_t choice = program.byte();
            const std::int32_t minute = choice < 200 ? static_cast<std::int16_t>(program.word() & 0xffff) % 1500
                                                     : program.word();
            state->seekMinute(minute);
            check(state->speed() == 0 && !state->rewinding());
            rebuilt = true;
            break;
        }
        case Find: {
            const std::uint8_t options = program.byte();
            // Kinds 4 to 7 are not searches the viewer makes; they find nothing.
            const auto kind = static_cast<SearchKind>(options % 8);
            const bool matchCase = options & 8;
            const std::string_view pattern = program.text(program.byte() % 8);
            const std::int32_t speed = state->speed();
            const bool hit = state->find(kind, pattern, matchCase);
            if (hit) {
                check(!wasEmpty && (options % 8) < 4 && state->speed() == 0 && state->cursor() > cursorBefore);
                check(state->cursor() <= state->dayEndEvent());
            } else {
                // A miss leaves everything as it was.
                check(state->speed() == speed && state->cursor() == cursorBefore && state->clock() == clockBefore);
            }
            break;
        }
        case LoadDayAt: {
            const std::size_t index = program.byte() % (state->days().size() + 2);
            const bool loaded = state->loadDayAt(index);
            check(state->speed() == 0);
            check(loaded || index >= state->days().size() || state->isEmptyDay());
            if (index >= state->days().size())
                check(!loaded && state->isEmptyDay());
            rebuilt = true;
            break;
        }
        case LoadDayNear:
        case LoadDayAnywhere: {
            std::int32_t day = program.word();
            if (program.byte() % 2 == 0 && !state->days().empty()) {
                const std::int64_t near =
                    std::int64_t{state->days()[static_cast<std::uint32_t>(day) % state->days().size()]} + day % 7200;
                day = static_cast<std::int32_t>(
                    std::clamp<std::int64_t>(near, std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max()));
            }
            state->loadDay(day);
            check(state->dayStart() == day && state->speed() == 0);
            rebuilt = true;
            break;
        }
        case Unload:
            state->unload();
            check(state->isEmptyDay() && state->days().empty() && !state->rewinding() && state->speed() == 0);
            rebuilt = true;
            break;
        case LoadFolder:
            // False either for a failed scan, which changes nothing, or for a
            // failed read of the first day, which leaves an empty day.
            rebuilt = true;
            if (state->loadFolder(folder)) {
                check(!state->days().empty() && state->speed() == 0);
            } else if (!state->isEmptyDay()) {
                check(state->cursor() == cursorBefore && state->clock() == clockBefore);
                rebuilt = false;
            }
            break;
        case LoadMissingFolder:
            // A failed scan changes nothing.
            check(!state->loadFolder(folder + "/missing"));
            check(state->cursor() == cursorBefore && state->clock() == clockBefore && state->isEmptyDay() == wasEmpty);
            break;
        case StepCount:
            break;
        }
        show(stepNames[step]);
        if (rebuilt && !state->isEmptyDay())
            base = snapshotFor(*state, state->clock());
        if (state->isEmptyDay())
            base = 0;
        checkInvariants(*state, rebuilt, base);
    }
    return 0;
}
