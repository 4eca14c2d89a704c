#include "ProgressText.h"

namespace qv {

namespace {

// Digits in groups of three with commas, in both languages.
QString grouped(qint64 n)
{
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return n < 0 ? u'-' + digits : digits;
}

// The fixed words of each language side by side; %n are numbers and names.
struct Words {
    const char16_t* table;         // %1 number, %2 count, %3 name
    const char16_t* noTables;
    const char16_t* ofAbout;       // %1 rows, %2 estimate
    const char16_t* soFar;         // %1 rows
    const char16_t* pastEstimate;  // %1 rows
    const char16_t* rows;          // %1 rows, the run done
    const char16_t* rate;          // %1 rows a second
    const char16_t* seconds;       // %1
    const char16_t* minutes;       // %1
    const char16_t* hours;         // %1 hours, %2 minutes
    const char16_t* done;
    const char16_t* separator;     // between the parts
};

const Words english{u"Table %1 of %2: %3, ",  u"No tables to convert",
                    u"%1 of about %2 rows",   u"%1 rows so far",
                    u"%1 rows, more than estimated", u"%1 rows",
                    u"%1 rows/s",             u"about %1 s left",
                    u"about %1 min left",     u"about %1 h %2 min left",
                    u"done",                  u"; "};
const Words chinese{u"第 %1 张表，共 %2 张：%3，", u"没有要转换的表",
                    u"已复制 %1 行，约 %2 行",  u"已复制 %1 行",
                    u"已复制 %1 行，超过估计",  u"已复制 %1 行",
                    u"每秒 %1 行",              u"约剩 %1 秒",
                    u"约剩 %1 分钟",            u"约剩 %1 小时 %2 分钟",
                    u"完成",                    u"；"};

QString text(const char16_t* words)
{
    return QString::fromUtf16(words);
}

QString timeLeft(qint64 seconds, const Words& w)
{
    if (seconds < 60)
        return text(w.seconds).arg(seconds);
    const qint64 minutes = (seconds + 59) / 60;  // rounded up
    if (minutes < 120)
        return text(w.minutes).arg(minutes);
    return text(w.hours).arg(QString::number(minutes / 60), QString::number(minutes % 60));
}

}  // namespace

QStringList progressPieces(const RunProgress& p, UiLanguage language)
{
    const Words& w = language == UiLanguage::English ? english : chinese;
    QStringList pieces;
    if (p.tableNumber == 0) {
        pieces << text(w.noTables);
    } else {
        pieces << text(w.table).arg(QString::number(p.tableNumber), QString::number(p.tableCount), p.table);
        if (p.finished)
            pieces << text(w.rows).arg(grouped(p.rows));
        else if (p.moreThanEstimated)
            pieces << text(w.pastEstimate).arg(grouped(p.rows));
        else if (p.estimate)
            pieces << text(w.ofAbout).arg(grouped(p.rows), grouped(*p.estimate));
        else
            pieces << text(w.soFar).arg(grouped(p.rows));
    }
    const auto add = [&](const QString& part) {
        pieces.last() += text(w.separator);
        pieces << part;
    };
    if (p.rowsPerSecond > 0)
        add(text(w.rate).arg(grouped(p.rowsPerSecond)));
    if (p.finished)
        add(text(w.done));
    else if (p.secondsLeft)
        add(timeLeft(*p.secondsLeft, w));
    return pieces;
}

QString progressText(const RunProgress& progress, UiLanguage language)
{
    return progressPieces(progress, language).join(QString());
}

}  // namespace qv
