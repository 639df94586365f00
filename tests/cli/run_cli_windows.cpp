// Runs zelkam-cli on Windows: the program gets its arguments as one wide
// command line, quoted as the C runtime splits it, and its output goes to
// files, as on other platforms.
#ifdef _WIN32

#include "tests/cli/run_cli.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ingest/open_file.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam::test {
namespace {

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One argument as CommandLineToArgvW and the C runtime read it back:
// quoted, with backslashes doubled only before a quote.
std::wstring quoted(const std::wstring& arg)
{
    std::wstring result = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        result += c;
    }
    result.append(backslashes * 2, L'\\');
    result += L'"';
    return result;
}

HANDLE openInherited(const std::filesystem::path& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

std::vector<std::string> CliResult::lines() const
{
    std::vector<std::string> result;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

CliResult runCli(const std::vector<std::string>& args, const char* zone)
{
    TempFolder outputs;
    CliResult result;
    std::wstring commandLine = quoted(pathFromUtf8(cliPath()).native());
    for (const std::string& arg : args)
        commandLine += L" " + quoted(pathFromUtf8(arg).native());

    // The child inherits this process's environment, with the zone set.
    ScopedTimeZone childZone(zone);
    SetEnvironmentVariableA("TZ", std::getenv("TZ"));

    HANDLE in = openInherited(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = openInherited(outputs.path() / "out", GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = openInherited(outputs.path() / "err", GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        if (GetExitCodeProcess(process.hProcess, &status))
            result.status = static_cast<int>(status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    result.out = readAll(outputs.path() / "out");
    result.err = readAll(outputs.path() / "err");
    return result;
}

} // namespace zelkam::test

#endif
