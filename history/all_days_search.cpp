#include "history/all_days_search.h"

#include "history/hit_prefilter.h"
#include "history/window_replay.h"
#include "replay/search.h"

namespace zelkam {

bool searchAllDays(FolderDays& folder, SearchKind kind, std::string_view pattern, bool matchCase,
                   const std::atomic<bool>* stop, const std::function<void(const DayHits&)>& onDay, unsigned threads)
{
    std::vector<DayHits> results(folder.days.size());
    const std::string patternCopy(pattern);
    const auto work = [&](const DayWindow& view) {
        DayHits& result = results[view.index];
        result.index = view.index;
        result.dayCount = results.size();
        result.day = view.day;
        result.readable = view.window != nullptr || view.passedOver;
        if (!view.window)
            return;
        // The replay state is large (the roster, the rings): one per day on
        // the heap keeps the workers' stacks small.
        auto replay = std::make_unique<WindowReplay>();
        if (!replay->start(*view.window, view.day))
            return;
        EventSearch search(kind, patternCopy, matchCase, replay->live().recentPlayers);
        while (!replay->atEnd()) {
            const LogEvent& event = replay->current();
            const std::size_t at = replay->cursor();
            const bool hit = search.matches(event);
            // Only a hit's line is ever read, and a line's text depends on
            // the state, never on the lines before it: the others take their
            // places in the ring without a text, as a seek replays them.
            const bool composed = replay->applyNext(hit ? ChatText::Compose : ChatText::SlotOnly);
            if (!hit)
                continue;
            HistoryHit& found = result.hits.emplace_back();
            found.day = view.day;
            found.time = event.time;
            found.event = at;
            found.kind = event.kind;
            if (composed)
                found.text = replay->live().chatLines[replay->live().chatLines.size() - 1].text;
            else if (event.player.name)
                found.text = event.player.name;
        }
    };
    const auto done = [&](std::size_t index, const EventList*) {
        onDay(results[index]);
        results[index] = DayHits();
    };
    // A day whose files cannot hold the pattern is neither parsed nor
    // replayed; most days of a rare pattern cost one pass over their bytes.
    const HitPrefilter prefilter(kind, pattern, matchCase);
    DayFilesLook look;
    if (prefilter.isActive()) {
        look = [&prefilter](const LogFileList& dayFiles) {
            for (const LogFileEntry& entry : dayFiles.entries) {
                if (prefilter.mayHit(dayFiles.pathOf(entry.name), entry.name))
                    return true;
            }
            return false;
        };
    }
    return walkDayWindows(folder, stop, work, done, threads, look);
}

} // namespace zelkam
