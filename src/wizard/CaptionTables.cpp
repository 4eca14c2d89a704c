#include "CaptionTables.h"

namespace qv {

namespace {

CaptionTable makeEnglish()
{
    return {
        {QStringLiteral("Label29"), QStringLiteral("Conversion is Completed")},
        {QStringLiteral("Label30"),
         QStringLiteral("Wizard has migrated your Oracle database to MySQL server successfully.")},
        {QStringLiteral("Label31"),
         QStringLiteral("Conversion finished with errors: %1 of %2 tables had failures. See the messages above.")},
        {QStringLiteral("Label32"), QStringLiteral("Click 'Finish' to exit the wizard.")},
    };
}

CaptionTable makeChinese()
{
    return {
        {QStringLiteral("Label29"), QStringLiteral("已经完成转换")},
        {QStringLiteral("Label30"), QStringLiteral("向导已经完成Orccle 数据库到Mysql的转换.")},
        // The total comes first in Chinese: %2 is the tables processed, %1 those with failures.
        {QStringLiteral("Label31"),
         QStringLiteral("转换已完成,但有错误: %2 个表中有 %1 个表失败。请查看上面的信息。")},
        {QStringLiteral("Label32"), QStringLiteral("点击 'Finish' 离开本向导.")},
    };
}

}  // namespace

const CaptionTable& captionTable(UiLanguage language)
{
    static const CaptionTable english = makeEnglish();
    static const CaptionTable chinese = makeChinese();
    return language == UiLanguage::English ? english : chinese;
}

QString captionOf(const CaptionTable& table, const QString& componentName)
{
    for (const auto& row : table)
        if (row.first == componentName)
            return row.second;
    return {};
}

QString completionLineComponent(CompletionLine line)
{
    switch (line) {
    case CompletionLine::Completed: return QStringLiteral("Label29");
    case CompletionLine::Migrated: return QStringLiteral("Label30");
    case CompletionLine::MigratedWithErrors: return QStringLiteral("Label31");
    case CompletionLine::ClickFinish: return QStringLiteral("Label32");
    }
    return {};
}

}  // namespace qv
