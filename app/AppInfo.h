#pragma once

#include <QString>

// The program's fixed texts and configuration values.
namespace appinfo {

inline const QString kDisplayName = QStringLiteral("Quillmap");
inline const QString kVendor = QStringLiteral("Brennick");
// Every error box names its routine after this prefix.
inline const QString kLocationPrefix = QStringLiteral("Quillmap2021/08/31.");
inline const QString kSupportAddress = QStringLiteral("support@quillmap.example");
inline const QString kHomePage = QStringLiteral("https://quillmap.example/");

} // namespace appinfo
