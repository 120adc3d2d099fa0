#pragma once

// Whole files as bytes, for comparing what the program wrote.

#include <QByteArray>
#include <QFile>
#include <QString>

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
