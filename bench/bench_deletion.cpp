// The deletion run over the whole list, 2002年01月度 to 2030年12月度, in a
// temporary data folder, against a floor: a plain loop over the same 348 file
// names, relative to the data folder opened once, making only the system
// calls the presence probe and the deletion need.
// Every case re-creates its file set before each iteration with the timer
// paused, so all of them delete the same files from the same folder.

#include "deletion/deletionrun.h"
#include "deletion/period.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Answers every question with OK, as a user who confirms the whole list.
class ConfirmingWindow final : public deletion::DeletionWindow
{
public:
    ConfirmingWindow() = default;

    std::u16string startPeriodText() const override { return u"2002年01月度"; }
    std::u16string endPeriodText() const override { return u"2030年12月度"; }
    void setDeletedCountCaption(const std::u16string &caption) override { caption_ = caption; }
    void focusStartPeriod() override { }
    shell::MessageAnswer showMessage(const shell::Message &) override
    {
        ++messages_;
        return shell::MessageAnswer::Ok;
    }

private:
    std::u16string caption_;
    int messages_ = 0;
};

struct DataFolder
{
    QTemporaryDir root;
    QString installPath;
    QByteArray dataPath; // the data folder, encoded once
    std::vector<int> codes; // all 348 months, in list order
    std::vector<QByteArray> names; // their data files' names in it, encoded once
    int folderFd = -1; // the data folder, for laying out files and syncfs
};

DataFolder &dataFolder()
{
    static DataFolder folder = [] {
        DataFolder made;
        if (!made.root.isValid() || !QDir(made.root.path()).mkpath(u"data"_s)) {
            std::fprintf(stderr, "bench-deletion: cannot make a temporary data folder\n");
            std::exit(1);
        }
        made.installPath = made.root.path();
        made.dataPath = QFile::encodeName(made.installPath + u"/data"_s);
        made.folderFd = ::open(made.dataPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        deletion::walkRange(200201, 203012, [&](int code) {
            made.codes.push_back(code);
            made.names.push_back(
                QFile::encodeName(QString::fromStdU16String(deletion::dataFileName(code))));
        });
        return made;
    }();
    return folder;
}

// Which of the 348 files are present before an iteration.
enum class FileSet { All, None, OneYear };

constexpr int kPresentYear = 2016;

std::vector<const char *> presentNames(FileSet set)
{
    const DataFolder &folder = dataFolder();
    std::vector<const char *> present;
    for (std::size_t i = 0; i < folder.codes.size(); ++i) {
        const bool wanted = set == FileSet::All
                            || (set == FileSet::OneYear && folder.codes[i] / 100 == kPresentYear);
        if (wanted)
            present.push_back(folder.names[i].constData());
    }
    return present;
}

// Lays out the file set, then has the file system write it out: journal work
// left over from creating the files would otherwise fall into whichever
// case's timed part comes next.
void createFiles(benchmark::State &state, const std::vector<const char *> &present)
{
    for (const char *name : present) {
        const int fd
            = ::openat(dataFolder().folderFd, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::close(fd) != 0)
            state.SkipWithError("cannot create a data file");
    }
    if (!present.empty() && ::syncfs(dataFolder().folderFd) != 0)
        state.SkipWithError("cannot write out the data folder");
}

// The files the last iteration left behind; none when it did its work.
int leftOver()
{
    int count = 0;
    struct stat info = {};
    for (const QByteArray &name : dataFolder().names)
        count
            += ::fstatat(dataFolder().folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    return count;
}

// Every iteration must have deleted exactly the files it was given; the
// folder is checked for left-overs once, after the last.
void checkDeleted(benchmark::State &state, int deleted, std::size_t expected, bool last = false)
{
    if (deleted != int(expected) || (last && leftOver() != 0))
        state.SkipWithError("an iteration did not delete exactly the present files");
}

void runDeletion(benchmark::State &state, FileSet set)
{
    const std::vector<const char *> present = presentNames(set);
    const std::u16string installPath = dataFolder().installPath.toStdU16String();
    ConfirmingWindow window;
    std::int16_t deletedCount = 0;
    bool first = true;
    for (auto _ : state) {
        state.PauseTiming();
        if (!first)
            checkDeleted(state, deletedCount, present.size());
        first = false;
        createFiles(state, present);
        deletedCount = 0;
        state.ResumeTiming();

        deletion::runDeletion(window, installPath, deletedCount);
    }
    checkDeleted(state, deletedCount, present.size(), true);
}

bool heldByAnotherProgram(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::flock(fd, LOCK_UN);
    else if (errno == EWOULDBLOCK)
        return true;
    struct flock query = {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &query) != 0)
        return false;
    return query.l_type != F_UNLCK;
}

template<bool QueryLocks>
void floorLoop(benchmark::State &state, FileSet set)
{
    const std::vector<const char *> present = presentNames(set);
    std::vector<const char *> names;
    for (const QByteArray &name : dataFolder().names)
        names.push_back(name.constData());
    int deleted = 0;
    bool first = true;
    for (auto _ : state) {
        state.PauseTiming();
        if (!first)
            checkDeleted(state, deleted, present.size());
        first = false;
        createFiles(state, present);
        deleted = 0;
        state.ResumeTiming();

        // The folder is opened once per run, as the run opens it, and every
        // name is looked up inside it.
        const int folder
            = ::open(dataFolder().dataPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        for (const char *name : names) {
            struct stat info = {};
            if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
                continue;
            const int fd
                = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            if (fd < 0)
                continue;
            bool free = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
            if constexpr (QueryLocks)
                free = free && !heldByAnotherProgram(fd);
            // The check that the name is still the file opened, and not
            // read-only, that the deletion makes before it unlinks.
            struct stat now = {};
            if (free && ::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0
                && now.st_ino == info.st_ino && (now.st_mode & 0222) != 0
                && ::unlinkat(folder, name, 0) == 0)
                ++deleted;
            ::close(fd);
        }
        ::close(folder);
    }
    checkDeleted(state, deleted, present.size(), true);
}

struct Case
{
    const char *name;
    FileSet set;
    const char *target;
};

constexpr Case kCases[] = {
    {"all", FileSet::All, "<= 1.25"},
    {"none", FileSet::None, "<= 1.25"},
    {"year", FileSet::OneYear, "-"},
};

std::string caseLabel(const Case &c)
{
    const std::size_t present = presentNames(c.set).size();
    return std::string(c.name) + " (" + std::to_string(present) + ")";
}

// Shows Google Benchmark's line for each benchmark, then one row per case with
// the run's time as a multiple of the floor's. The table's times are CPU time
// of the benchmark thread, system calls included: on a busy machine that is
// steadier than the wall clock, which also counts the time the thread waited
// for a core. The wall-clock ratio is shown beside it.
class RatioReporter final : public benchmark::ConsoleReporter
{
public:
    RatioReporter()
        : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular)
    {
    }

    // Only the line the table uses is shown: the median of the repetitions,
    // or the single run; and any run that failed.
    void ReportRuns(const std::vector<Run> &reports) override
    {
        std::vector<Run> shown;
        for (const Run &run : reports) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (run.error_occurred || median || single)
                shown.push_back(run);
            if (!run.error_occurred && (median || single))
                times_[run.run_name.function_name]
                    = {run.GetAdjustedCPUTime(), run.GetAdjustedRealTime()};
        }
        if (!shown.empty())
            ConsoleReporter::ReportRuns(shown);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nDeletion run over 2002年01月度..2030年12月度 (348 months): median µs per "
                    "run, CPU time\n");
        std::printf("%-18s %9s %9s %9s %10s %10s %8s %13s\n", "case", "run", "floor", "no-lock",
                    "run/floor", "(wall)", "target", "floor/no-lock");
        for (const Case &c : kCases) {
            const Times run = times("run/", c);
            const Times floor = times("floor/", c);
            const Times noLock = times("floor-nolock/", c);
            std::printf("%-18s %9.1f %9.1f %9.1f %10.2f %10.2f %8s %13.2f\n", caseLabel(c).c_str(),
                        run.cpu, floor.cpu, noLock.cpu, ratio(run.cpu, floor.cpu),
                        ratio(run.wall, floor.wall), c.target, ratio(floor.cpu, noLock.cpu));
        }
    }

private:
    struct Times
    {
        double cpu = 0;
        double wall = 0;
    };

    static double ratio(double a, double b) { return b > 0 ? a / b : 0.0; }

    Times times(const char *kind, const Case &c) const
    {
        const auto found = times_.find(std::string(kind) + c.name);
        return found == times_.end() ? Times{} : found->second;
    }

    std::map<std::string, Times> times_;
};

} // namespace

int main(int argc, char **argv)
{
    for (const Case &c : kCases) {
        const std::string name = c.name;
        const FileSet set = c.set;
        for (auto *registered : {
                 benchmark::RegisterBenchmark(("run/" + name).c_str(), runDeletion, set),
                 benchmark::RegisterBenchmark(("floor/" + name).c_str(), floorLoop<true>, set),
                 benchmark::RegisterBenchmark(("floor-nolock/" + name).c_str(), floorLoop<false>,
                                              set),
             })
            registered->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
