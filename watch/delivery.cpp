#include "watch/delivery.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <system_error>

#include "watch/curl_library.h"

extern char** environ;

namespace zelkam::watch {
namespace {

double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class PrintSender final : public Sender {
public:
    explicit PrintSender(std::ostream& out) : out_(out) {}
    bool start(const std::string& json, std::string&) override
    {
        Notice notice;
        // The queue holds what noticeJson made: it reads back.
        noticeFromJson(json, notice);
        out_ << noticeLine(notice) << '\n' << std::flush;
        return true;
    }
    Status poll(std::string&) override { return Status::Sent; }

private:
    std::ostream& out_;
};

class CommandSender final : public Sender {
public:
    CommandSender(std::vector<std::string> argv, double timeoutSeconds)
        : argv_(std::move(argv)), timeoutSeconds_(timeoutSeconds)
    {
    }
    ~CommandSender() override { stop(); }

    bool start(const std::string& json, std::string& why) override
    {
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
            why = std::generic_category().message(errno);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
        std::vector<char*> args;
        for (std::string& arg : argv_)
            args.push_back(arg.data());
        args.push_back(nullptr);
        const int failed = ::posix_spawn(&pid_, argv_[0].c_str(), &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[0]);
        if (failed) {
            ::close(pipeEnds[1]);
            pid_ = -1;
            why = "cannot start " + argv_[0] + ": " + std::generic_category().message(failed);
            return false;
        }
        input_ = pipeEnds[1];
        ::fcntl(input_, F_SETFL, O_NONBLOCK);
        pending_ = json + "\n";
        deadline_ = monotonicSeconds() + timeoutSeconds_;
        feed();
        return true;
    }

    Status poll(std::string& why) override
    {
        feed();
        int status = 0;
        const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
        if (ended == pid_) {
            pid_ = -1;
            closeInput();
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                return Status::Sent;
            why = WIFEXITED(status) ? "the command exited with " + std::to_string(WEXITSTATUS(status))
                                    : "the command was ended by signal " + std::to_string(WTERMSIG(status));
            return Status::Failed;
        }
        if (monotonicSeconds() >= deadline_) {
            stop();
            why = "the command took longer than its timeout";
            return Status::Failed;
        }
        return Status::Busy;
    }

private:
    // A command that exits without reading its input must not end the
    // watcher with SIGPIPE, whatever the process does with that signal:
    // the signal is held back for this write and a pending one taken away.
    static ssize_t writeWithoutSigpipe(int file, const std::string& bytes)
    {
        sigset_t pipeOnly;
        sigset_t before;
        sigemptyset(&pipeOnly);
        sigaddset(&pipeOnly, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipeOnly, &before);
        const ssize_t wrote = ::write(file, bytes.data(), bytes.size());
        const int error = errno;
        if (wrote < 0 && error == EPIPE && !wasPending) {
            const timespec now{0, 0};
            while (sigtimedwait(&pipeOnly, nullptr, &now) == -1 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        errno = error;
        return wrote;
    }

    // Writes what the pipe takes; the input is closed once all is written,
    // so the command sees its end.
    void feed()
    {
        while (input_ >= 0 && !pending_.empty()) {
            const ssize_t wrote = writeWithoutSigpipe(input_, pending_);
            if (wrote <= 0) {
                // A command that does not read (EPIPE) gets no more.
                if (wrote < 0 && errno == EAGAIN)
                    return;
                pending_.clear();
                break;
            }
            pending_.erase(0, static_cast<std::size_t>(wrote));
        }
        closeInput();
    }
    void closeInput()
    {
        if (input_ >= 0)
            ::close(input_);
        input_ = -1;
    }
    void stop()
    {
        closeInput();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    std::vector<std::string> argv_;
    double timeoutSeconds_;
    pid_t pid_ = -1;
    int input_ = -1;
    std::string pending_;
    double deadline_ = 0;
};

class WebHookSender final : public Sender {
public:
    WebHookSender(const CurlLibrary& curl, CURLM* multi, std::string url, double timeoutSeconds)
        : curl_(curl), multi_(multi), url_(std::move(url)), timeoutSeconds_(timeoutSeconds)
    {
        headers_ = curl_.slist_append(nullptr, "Content-Type: application/json");
    }
    ~WebHookSender() override
    {
        end();
        curl_.slist_free_all(headers_);
    }

    bool start(const std::string& json, std::string& why) override
    {
        end();
        body_ = json;
        easy_ = curl_.easy_init();
        if (!easy_) {
            why = "curl could not start a transfer";
            return false;
        }
        curl_.easy_setopt(easy_, CURLOPT_URL, url_.c_str());
        curl_.easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_.easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 0L);
        curl_.easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_.easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
        curl_.easy_setopt(easy_, CURLOPT_POSTFIELDS, body_.c_str());
        curl_.easy_setopt(easy_, CURLOPT_POSTFIELDSIZE, static_cast<long>(body_.size()));
        curl_.easy_setopt(easy_, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutSeconds_ * 1000));
        curl_.easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &discard);
        curl_.easy_setopt(easy_, CURLOPT_PRIVATE, this);
        if (curl_.multi_add_handle(multi_, easy_) != CURLM_OK) {
            end();
            why = "curl could not start a transfer";
            return false;
        }
        return true;
    }

    Status poll(std::string& why) override
    {
        int running = 0;
        curl_.multi_perform(multi_, &running);
        // Every web hook shares the one multi handle, so whichever sender
        // reads a finished transfer hands it to the sender it belongs to.
        int left = 0;
        while (CURLMsg* message = curl_.multi_info_read(multi_, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            WebHookSender* owner = nullptr;
            curl_.easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
            if (owner) {
                owner->done_ = true;
                owner->result_ = message->data.result;
            }
        }
        if (!done_)
            return Status::Busy;
        long status = 0;
        curl_.easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        const CURLcode result = result_;
        end();
        if (result != CURLE_OK) {
            // curl's own message may quote the host: only the kind is told.
            why = std::string("the web hook could not be reached: ") + curl_.easy_strerror(result);
            return Status::Failed;
        }
        if (status < 200 || status > 299) {
            why = "the web hook answered " + std::to_string(status);
            return Status::Failed;
        }
        return Status::Sent;
    }

private:
    static std::size_t discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }
    void end()
    {
        if (easy_) {
            curl_.multi_remove_handle(multi_, easy_);
            curl_.easy_cleanup(easy_);
        }
        easy_ = nullptr;
        done_ = false;
    }

    const CurlLibrary& curl_;
    CURLM* multi_;
    std::string url_;
    double timeoutSeconds_;
    curl_slist* headers_ = nullptr;
    CURL* easy_ = nullptr;
    std::string body_;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
};

} // namespace

std::unique_ptr<Sender> makePrintSender(std::ostream& out) { return std::make_unique<PrintSender>(out); }

std::unique_ptr<Sender> makeCommandSender(std::vector<std::string> argv, double timeoutSeconds)
{
    return std::make_unique<CommandSender>(std::move(argv), timeoutSeconds);
}

std::unique_ptr<Sender> makeWebHookSender(const CurlLibrary& curl, CURLM* multi, std::string url,
                                          double timeoutSeconds)
{
    return std::make_unique<WebHookSender>(curl, multi, std::move(url), timeoutSeconds);
}

Outbox::Outbox(std::string name, std::unique_ptr<Sender> sender, Backoff backoff, Report report)
    : name_(std::move(name)), sender_(std::move(sender)), backoff_(backoff), report_(std::move(report))
{
}

bool Outbox::pump(double now)
{
    bool told = false;
    for (;;) {
        std::string why;
        if (!trying_) {
            if (queue_.empty() || now < nextTry_)
                return told;
            trying_ = sender_->start(noticeJson(queue_.front()), why);
            if (!trying_) {
                fail(now, why);
                return told;
            }
        }
        const Sender::Status status = sender_->poll(why);
        if (status == Sender::Status::Busy)
            return told;
        trying_ = false;
        if (status == Sender::Status::Failed) {
            fail(now, why);
            return told;
        }
        if (failures_ > 0)
            report_(name_ + ": told again after " + std::to_string(failures_) + " failed tries");
        failures_ = 0;
        queue_.pop_front();
        told = true;
    }
}

void Outbox::fail(double now, const std::string& why)
{
    ++failures_;
    const double wait = std::min(backoff_.longestSeconds, backoff_.firstSeconds * std::pow(2.0, std::min(failures_ - 1, 30)));
    nextTry_ = now + wait;
    report_(name_ + ": " + why + "; " + std::to_string(queue_.size()) + " notices wait, next try in "
            + std::to_string(static_cast<long>(std::ceil(wait))) + " s");
}

} // namespace zelkam::watch
