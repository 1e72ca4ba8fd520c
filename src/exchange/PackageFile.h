#pragma once

#include <QString>

// The package file (".dat", "数据加密文件"): a database file whose first 1024 bytes are scrambled
// byte by byte, (byte + offset) mod 256 then exclusive-or with a key, so that a general database
// tool does not open it by accident. A plain database file starts with the byte 53 (hex), the
// "S" of its header; a scrambled one with ScrambledFirstByte().
constexpr int kScrambledLength = 1024;
constexpr unsigned char kPlainFirstByte = 0x53;
// A package whose header was replaced by another program's starts with this byte.
constexpr unsigned char kReplacedHeaderByte = 0x66;

unsigned char ScrambleByte(unsigned char byte);
unsigned char RestoreByte(unsigned char byte);
unsigned char ScrambledFirstByte();

// Scrambles the first 1024 bytes of the file in place. False with the reason on failure.
bool ScramblePackage(const QString& path, QString* error = nullptr);
// Undoes the scrambling in place when the file starts with the scrambled first byte; writes the
// 16-byte database header over the start when it starts with 66 (hex); leaves any other file
// alone. False with the reason when the file cannot be read or written.
bool RestorePackage(const QString& path, QString* error = nullptr);
// The first byte of the file, -1 when it cannot be read or is empty.
int FirstByteOf(const QString& path);
