#pragma once

#include <QString>

// The program's fixed names and configuration values, each defined once.
namespace appinfo {

inline const QString kDisplayName = QStringLiteral("Quillmap");
inline const QString kVersion = QStringLiteral(QUILLMAP_VERSION);
inline const QString kVendor = QStringLiteral("Brennick");
// Every error box names its routine after this prefix.
inline const QString kLocationPrefix = QStringLiteral("Quillmap2021/08/31.");
inline const QString kSupportAddress = QStringLiteral("support@quillmap.example");

// The files the program reads and writes, by their fixed names.
inline const QString kWorkingCopyFile = QStringLiteral("dbZipsWorking.mdb");
inline const QString kPristineCopyFile = QStringLiteral("dbZipsOriginal.mdb");
inline const QString kCursorFile = QStringLiteral("HAND-M.CUR");
// The home page: the README made into a page by the build, in the program folder.
inline const QString kDocumentationFolder = QStringLiteral("doc");
inline const QString kDocumentationPage = QStringLiteral("README.html");

} // namespace appinfo
