// Times what one showing of the popup does besides drawing: read and parse the data file,
// build the program's rows, clear and fill the three lists.
//   per_show_bench <shipped data.json>
// Each file is timed for BENCH_SHOW_SECONDS (default 2) seconds; medians are printed.
#include "bench/sample_stats.h"
#include "shortcuts/shortcut_columns.h"
#include "shortcuts/shortcut_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QString kTargetProgram = QStringLiteral("bench-target");
constexpr int kMinIterations = 5;

struct DataFile {
    QString label;
    QString path;
    QString program;
};

void appendGroup(QByteArray &json, const QByteArray &name, int shortcuts, int seed)
{
    json += "\"" + name + "\":{";
    for (int index = 0; index < shortcuts; ++index) {
        if (index > 0)
            json += ',';
        json += "\"Ctrl+Shift+Alt+F" + QByteArray::number(index) + "\":\"";
        json += QString::fromUtf8("打开第 %1 个面板并切换视图").arg(seed + index).toUtf8();
        json += '"';
    }
    json += '}';
}

// The looked-up program (50 shortcuts in 5 groups) followed by filler programs up to size.
QByteArray generatedTable(qint64 size)
{
    QByteArray json = "{\"" + kTargetProgram.toUtf8() + "\":{";
    for (int group = 0; group < 5; ++group) {
        if (group > 0)
            json += ',';
        appendGroup(json, QString::fromUtf8("分组%1").arg(group).toUtf8(), 10, group * 10);
    }
    json += '}';
    for (int program = 0; json.size() < size; ++program) {
        json += ",\"filler-" + QByteArray::number(program) + ".exe\":{";
        appendGroup(json, "文件", 8, program);
        json += ',';
        appendGroup(json, "编辑", 8, program + 8);
        json += '}';
    }
    json += "}\n";
    return json;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

struct ShowTiming {
    double readParseUs = 0;
    double rowsUs = 0;
    double fillUs = 0;
    double totalUs = 0;
};

double microsecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}

// The popup's showing, step by step as Keyglance::fillShortcutLists runs it.
ShowTiming showOnce(const std::array<QListWidget *, kColumnCount> &lists, const DataFile &data)
{
    ShowTiming timing;
    const auto start = std::chrono::steady_clock::now();
    for (QListWidget *list : lists)
        list->clear();
    const double cleared = microsecondsSince(start);
    const QJsonObject table = loadShortcutFile(data.path);
    const double parsed = microsecondsSince(start);
    const QStringList rows = shortcutRows(table, data.program);
    const double built = microsecondsSince(start);
    fillShortcutColumns(lists, rows);
    timing.totalUs = microsecondsSince(start);
    timing.readParseUs = parsed - cleared;
    timing.rowsUs = built - parsed;
    timing.fillUs = cleared + timing.totalUs - built;
    return timing;
}

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

void benchmark(const std::array<QListWidget *, kColumnCount> &lists, const DataFile &data,
               double seconds)
{
    const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
    showOnce(lists, data); // warms the page cache and the font database
    std::vector<double> readParse, rows, fill, total;
    QElapsedTimer elapsed;
    elapsed.start();
    while (total.size() < size_t(kMinIterations) || elapsed.elapsed() < seconds * 1000) {
        const ShowTiming timing = showOnce(lists, data);
        readParse.push_back(timing.readParseUs);
        rows.push_back(timing.rowsUs);
        fill.push_back(timing.fillUs);
        total.push_back(timing.totalUs);
    }
    qInstallMessageHandler(previous);
    const qint64 bytes = QFile(data.path).size();
    std::printf("pershow file=%s bytes=%lld iterations=%zu total_us=%.1f read_parse_us=%.1f "
                "rows_us=%.1f fill_us=%.1f us_per_mb=%.1f\n",
                qPrintable(data.label), static_cast<long long>(bytes), total.size(), median(total),
                median(readParse), median(rows), median(fill),
                median(total) / (double(bytes) / 1e6));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: per_show_bench <shipped data.json>\n");
        return 2;
    }
    bool secondsOk = false;
    double seconds = qEnvironmentVariable("BENCH_SHOW_SECONDS").toDouble(&secondsOk);
    if (!secondsOk || seconds <= 0)
        seconds = 2;

    QTemporaryDir directory;
    std::vector<DataFile> files;
    for (const auto &[label, size] :
         {std::pair{"generated-30KB", 30'000}, std::pair{"generated-1MB", 1'000'000},
          std::pair{"generated-10MB", 10'000'000}}) {
        const QString path = directory.filePath(QString::fromLatin1(label) + ".json");
        if (!directory.isValid() || !writeFile(path, generatedTable(size))) {
            std::fprintf(stderr, "per_show_bench: cannot write %s\n", qPrintable(path));
            return 1;
        }
        files.push_back({QString::fromLatin1(label), path, kTargetProgram});
    }
    files.push_back(
        {QStringLiteral("shipped"), QString::fromLocal8Bit(argv[1]), QStringLiteral("geany")});

    std::array<std::unique_ptr<QListWidget>, kColumnCount> owned;
    std::array<QListWidget *, kColumnCount> lists{};
    for (int column = 0; column < kColumnCount; ++column) {
        owned[column] = std::make_unique<QListWidget>();
        lists[column] = owned[column].get();
    }
    for (const DataFile &data : files)
        benchmark(lists, data, seconds);
    return 0;
}
