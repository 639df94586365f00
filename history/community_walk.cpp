#include "history/community_walk.h"

#include <algorithm>

#include "ingest/open_file.h"
#include "ingest/thread_count.h"
#include "ingest/thread_group.h"

namespace zelkam {

bool openServers(const std::vector<ServerFolder>& servers, const std::atomic<bool>* stop,
                 std::vector<ServerDays>& opened, unsigned threads)
{
    opened = std::vector<ServerDays>(servers.size());
    for (std::size_t i = 0; i < servers.size(); ++i) {
        opened[i].index = i;
        opened[i].server = servers[i];
    }
    // Dating a server's files reads the first line of each: a server of
    // thousands of files costs most of the opening, so the servers are
    // shared among the threads one at a time.
    shareItems(opened.size(), threads == 0 ? threadCount() : threads, [&](std::size_t i) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        ServerDays& server = opened[i];
        server.opened = server.days.scan(utf8FromPath(server.server.path)) && !server.days.days.empty();
        return true;
    });
    return !(stop && stop->load(std::memory_order_relaxed));
}

bool walkServers(std::vector<ServerDays>& servers, const std::atomic<bool>* stop, const ServerPlan& plan,
                 const std::function<void(std::size_t walked, std::size_t total)>& progress, unsigned threads,
                 std::size_t keepDays)
{
    std::vector<FolderWalk> walks(servers.size());
    std::size_t total = 0;
    for (std::size_t i = 0; i < servers.size(); ++i) {
        ServerDays& server = servers[i];
        // A server that could not be opened has no days to walk, whatever
        // its scan left behind.
        if (!server.opened)
            server.days = FolderDays();
        plan(server, walks[i]);
        walks[i].folder = &server.days;
        total += server.days.days.size();
    }
    if (progress) {
        std::size_t walked = 0;
        for (FolderWalk& walk : walks) {
            walk.done = [&progress, &walked, total, done = std::move(walk.done)](std::size_t index,
                                                                                const EventList* own) {
                if (done)
                    done(index, own);
                progress(++walked, total);
            };
        }
        return walkFolders(walks, stop, threads, keepDays);
    }
    return walkFolders(walks, stop, threads, keepDays);
}

bool walkCommunity(const std::vector<ServerFolder>& servers, const std::atomic<bool>* stop, const ServerPlan& plan,
                   const std::function<void(std::size_t walked, std::size_t total)>& progress, unsigned threads)
{
    std::vector<ServerDays> opened;
    if (!openServers(servers, stop, opened, threads))
        return false;
    return walkServers(opened, stop, plan, progress, threads);
}

} // namespace zelkam
