// Times what one showing of the popup does besides drawing: read and parse the data file,
// build the program's rows, clear and fill the three lists; and, on a popup scaled down to fit
// the screen, laying out a list of 10,000 empty groups.
//   per_show_bench <shipped data.json>
// Each file is timed for BENCH_SHOW_SECONDS (default 2) seconds; every sample is printed.
#include "bench/json_line.h"
#include "popup/keyglance.h"
#include "shortcuts/shortcut_columns.h"
#include "shortcuts/shortcut_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
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

using Samples = std::map<std::string, std::vector<double>>;

// The popup's showing, step by step as Keyglance::fillShortcutLists runs it, its microseconds
// added to the samples.
void showOnce(const std::array<QListWidget *, kColumnCount> &lists, const DataFile &data,
              Samples &samples)
{
    QElapsedTimer timer;
    timer.start();
    const auto lap = [&timer] { return double(timer.nsecsElapsed()) / 1e3; };
    for (QListWidget *list : lists)
        list->clear();
    const double cleared = lap();
    const QJsonObject table = loadShortcutFile(data.path);
    const double parsed = lap();
    const QStringList rows = shortcutRows(table, data.program);
    const double built = lap();
    fillShortcutColumns(lists, rows);
    const double total = lap();
    samples["read_parse_us"].push_back(parsed - cleared);
    samples["rows_us"].push_back(built - parsed);
    samples["fill_us"].push_back(cleared + total - built);
    samples["total_us"].push_back(total);
}

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

void benchmark(const std::array<QListWidget *, kColumnCount> &lists, const DataFile &data,
               double seconds)
{
    const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
    Samples samples;
    showOnce(lists, data, samples); // warms the page cache and the font database
    samples.clear();
    QElapsedTimer elapsed;
    elapsed.start();
    while (samples["total_us"].size() < size_t(kMinIterations) ||
           elapsed.elapsed() < seconds * 1000)
        showOnce(lists, data, samples);
    qInstallMessageHandler(previous);
    JsonLine line("pershow");
    line.add("file", data.label.toStdString()).add("bytes", double(QFile(data.path).size()));
    for (const auto &[name, values] : samples)
        line.add(name, values);
    line.print();
}

// The popup fitted to the offscreen platform's 800 x 600 screen lays its rows out scaled down,
// each row placed by the heights of those above it.
void benchmarkScaledDownLayout(double seconds)
{
    const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
    Keyglance popup;
    popup.initPopup();
    std::array<QListWidget *, kColumnCount> lists{};
    for (int column = 0; column < kColumnCount; ++column)
        lists[column] = popup.findChild<QListWidget *>(
            column == 0 ? QStringLiteral("listWidget")
                        : QStringLiteral("listWidget_%1").arg(column + 1));
    QStringList rows;
    for (int group = 0; group < 10'000; ++group)
        rows << headerRow(QString::fromUtf8("分组%1").arg(group));
    std::vector<double> layouts;
    QElapsedTimer elapsed;
    elapsed.start();
    while (layouts.size() < size_t(kMinIterations) || elapsed.elapsed() < seconds * 1000) {
        for (QListWidget *list : lists)
            list->clear();
        fillShortcutColumns(lists, rows);
        QElapsedTimer timer;
        timer.start();
        for (QListWidget *list : lists)
            list->doItemsLayout();
        layouts.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    qInstallMessageHandler(previous);
    JsonLine line("scaledlayout");
    line.add("groups", 10'000.0).add("scale", double(popup.width()) / 1200);
    line.add("layout_us", layouts);
    line.print();
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
    benchmarkScaledDownLayout(seconds);
    return 0;
}
