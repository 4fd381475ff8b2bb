#include "StartupSteps.h"

#include "DataFolder.h"
#include "Platform.h"

#include <QDir>
#include <QUrl>

#include <cmath>

namespace {

constexpr qsizetype kMaxTitleLength = 40;
constexpr int kHomePageDraw = 7;

} // namespace

QString shortenedAppTitle(QString title)
{
    while (title.size() > kMaxTitleLength) {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        // A single word longer than the limit has no word left to drop.
        title = blank < 0 ? title.left(kMaxTitleLength) : title.left(blank);
    }
    return title;
}

void setAppTitle(Platform &platform, const QString &displayName)
{
    platform.setAppTitle(shortenedAppTitle(displayName));
}

void visitHomePageOccasionally(Platform &platform)
{
    const int draw = static_cast<int>(std::floor(platform.random().nextFraction() * 100.0)) + 1;
    if (draw == kHomePageDraw)
        platform.openUrl(QUrl::fromLocalFile(QDir::fromNativeSeparators(paths::documentationPage(platform))).toString());
}
