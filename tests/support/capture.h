#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

// Collects the debug lines, and apart from them any other messages, logged while it lives.
class DebugLog {
public:
    DebugLog()
    {
        previous = qInstallMessageHandler(collect);
        lines().clear();
        otherMessages().clear();
    }
    ~DebugLog() { qInstallMessageHandler(previous); }
    static QStringList &lines()
    {
        static QStringList collected;
        return collected;
    }
    // Warnings and worse, from the program or from Qt.
    static QStringList &otherMessages()
    {
        static QStringList collected;
        return collected;
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        (type == QtDebugMsg ? lines() : otherMessages()) << message;
    }
    QtMessageHandler previous;
};

// Redirects a standard stream (stdout or stderr) into a file while it lives.
class StreamCapture {
public:
    explicit StreamCapture(FILE *stream) : stream(stream)
    {
        file.open();
        std::fflush(stream);
        saved = dup(fileno(stream));
        dup2(file.handle(), fileno(stream));
    }
    ~StreamCapture() { restore(); }
    QByteArray text()
    {
        restore();
        file.seek(0);
        return file.readAll();
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stream);
        dup2(saved, fileno(stream));
        close(saved);
        saved = -1;
    }
    FILE *stream;
    QTemporaryFile file;
    int saved = -1;
};
