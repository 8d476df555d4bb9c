#pragma once
// Reading files the user or another program may have put anything in place of: only a
// regular file is read, and never more than a bound. A FIFO would block the program on open
// or on read, and a device such as /dev/zero would never end.
#include <QByteArray>
#include <QString>

class QFile;

// Opens file (its name set here) read-only when fileName names a regular file; the check is
// made on the opened descriptor, which is opened without waiting for a FIFO's writer. False
// when the file cannot be opened or is not a regular file; why then says which.
bool OpenRegularFile(QFile &file, const QString &fileName, QString *why = nullptr);

enum class TReadResult { Ok, CannotOpen, TooLarge, ReadFailed };
// Reads the whole of a regular file of at most maxBytes bytes into data.
TReadResult ReadRegularFile(const QString &fileName, qint64 maxBytes, QByteArray &data, QString *why = nullptr);
