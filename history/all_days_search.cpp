#include "history/all_days_search.h"

#include <memory>

#include "history/hit_prefilter.h"
#include "history/window_replay.h"
#include "replay/search.h"

namespace zelkam {

namespace {

// One folder's part of a search: each day searched on the workers, its
// hits handed over in day order. Lives until the walk ends.
class FolderSearch {
public:
    FolderSearch(SearchKind kind, std::string_view pattern, bool matchCase, std::string server,
                 std::function<void(const DayHits&)> onDay)
        : kind_(kind), pattern_(pattern), matchCase_(matchCase), server_(std::move(server)), onDay_(std::move(onDay)),
          prefilter_(kind, pattern, matchCase)
    {
    }

    // Fills walk with this search over folder.
    void plan(const FolderDays& folder, FolderWalk& walk)
    {
        results_ = std::vector<DayHits>(folder.days.size());
        walk.work = [this](const DayWindow& view) { searchDay(view); };
        walk.done = [this](std::size_t index, const EventList*) {
            onDay_(results_[index]);
            results_[index] = DayHits();
        };
        // A day whose files cannot hold the pattern is neither parsed nor
        // replayed; most days of a rare pattern cost one pass over their
        // bytes.
        if (prefilter_.isActive()) {
            walk.look = [this](const LogFileList& dayFiles) {
                for (const LogFileEntry& entry : dayFiles.entries) {
                    if (prefilter_.mayHit(dayFiles.pathOf(entry.name), entry.name))
                        return true;
                }
                return false;
            };
        }
    }

private:
    void searchDay(const DayWindow& view)
    {
        DayHits& result = results_[view.index];
        result.index = view.index;
        result.dayCount = results_.size();
        result.day = view.day;
        result.readable = view.window != nullptr || view.passedOver;
        if (!view.window)
            return;
        // The replay state is large (the roster, the rings): one per day on
        // the heap keeps the workers' stacks small.
        auto replay = std::make_unique<WindowReplay>();
        if (!replay->start(*view.window, view.day))
            return;
        EventSearch search(kind_, pattern_, matchCase_, replay->live().recentPlayers);
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
            found.server = server_;
            if (composed)
                found.text = replay->live().chatLines[replay->live().chatLines.size() - 1].text;
            else if (event.player.name)
                found.text = event.player.name;
        }
    }

    const SearchKind kind_;
    const std::string pattern_;
    const bool matchCase_;
    const std::string server_;
    const std::function<void(const DayHits&)> onDay_;
    const HitPrefilter prefilter_;
    std::vector<DayHits> results_;
};

} // namespace

bool searchAllDays(FolderDays& folder, SearchKind kind, std::string_view pattern, bool matchCase,
                   const std::atomic<bool>* stop, const std::function<void(const DayHits&)>& onDay, unsigned threads)
{
    FolderSearch search(kind, pattern, matchCase, std::string(), onDay);
    std::vector<FolderWalk> walk(1);
    walk[0].folder = &folder;
    search.plan(folder, walk[0]);
    return walkFolders(walk, stop, threads);
}

bool searchAllServers(std::vector<ServerDays>& servers, SearchKind kind, std::string_view pattern, bool matchCase,
                      const std::atomic<bool>* stop,
                      const std::function<void(const ServerDays&, const DayHits&)>& onDay, unsigned threads)
{
    std::vector<std::unique_ptr<FolderSearch>> searches;
    const auto plan = [&](ServerDays& server, FolderWalk& walk) {
        searches.push_back(std::make_unique<FolderSearch>(
            kind, pattern, matchCase, server.server.name,
            [&onDay, &server](const DayHits& day) { onDay(server, day); }));
        searches.back()->plan(server.days, walk);
    };
    return walkServers(servers, stop, plan, {}, threads);
}

} // namespace zelkam
