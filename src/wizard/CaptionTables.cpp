#include "CaptionTables.h"

namespace qv {

namespace {

CaptionTable makeEnglish()
{
    return {
        {QStringLiteral("Label1"), QStringLiteral("Welcome")},
        {QStringLiteral("Label2"), QStringLiteral("Connect to Oracle server")},
        {QStringLiteral("Label3"), QStringLiteral("Connect to Mysql server")},
        {QStringLiteral("Label4"), QStringLiteral("Conversion Settings")},
        {QStringLiteral("Label5"), QStringLiteral("Select table to convert")},
        {QStringLiteral("Label6"), QStringLiteral("Conversion is Completed")},
        {QStringLiteral("Label7"), QStringLiteral("Welcome to the Database")},
        {QStringLiteral("Label8"), QStringLiteral("Conversion Wizard")},
        {QStringLiteral("Label9"), QStringLiteral("This wizard helps you move Oracle database to Mysql server.")},
        {QStringLiteral("Label10"), QStringLiteral("Click 'Next' to continue.")},
        {QStringLiteral("Label11"), QStringLiteral("Provide necessary information to establish connection with MySQL server.")},
        {QStringLiteral("Label12"), QStringLiteral("User name:")},
        {QStringLiteral("Label13"), QStringLiteral("Password:")},
        {QStringLiteral("Label15"), QStringLiteral("Database :")},
        {QStringLiteral("Label14"), QStringLiteral("Host:")},
        {QStringLiteral("edtport111"), QStringLiteral("Port number:")},
        {QStringLiteral("Label16"), QStringLiteral("(it could be network name or IP address)")},
        {QStringLiteral("Label17"), QStringLiteral("(Default Mysql Port is 3306)")},
        {QStringLiteral("Label18"), QStringLiteral("Provide the necessary information to establish connection with Oracle server.")},
        {QStringLiteral("Label19"), QStringLiteral("Enter the same values that you specify for standard Oracle applications")},
        {QStringLiteral("Label20"), QStringLiteral("Link Oracle Enterprise Manager Console.")},
        {QStringLiteral("Label21"), QStringLiteral("&Service:")},
        {QStringLiteral("Label22"), QStringLiteral("&User name:")},
        {QStringLiteral("Label23"), QStringLiteral("&Password")},
        {QStringLiteral("Label24"), QStringLiteral("On this page you can specify source database name and conversion settings.")},
        {QStringLiteral("Label25"), QStringLiteral("MySQL database name:")},
        {QStringLiteral("Label33"), QStringLiteral("Character Set")},
        {QStringLiteral("Label26"), QStringLiteral("Select Oracle tables to convert into MySQL format.")},
        {QStringLiteral("Label27"), QStringLiteral("Available tables:")},
        {QStringLiteral("Label28"), QStringLiteral("Selected tables:")},
        {QStringLiteral("Label29"), QStringLiteral("Conversion is Completed")},
        {QStringLiteral("Label30"), QStringLiteral("Wizard has migrated your Oracle database to MySQL server successfully.")},
        {QStringLiteral("Label31"),
         QStringLiteral("Conversion finished with errors: %1 of %2 tables had failures. See the messages above.")},
        {QStringLiteral("Label32"), QStringLiteral("Click 'Finish' to exit the wizard.")},
        {QStringLiteral("accessmode"), QStringLiteral("Access mode")},
        {QStringLiteral("processtable"), QStringLiteral("How to process existing tables:")},
        {QStringLiteral("authorization"), QStringLiteral("Authorization settings")},
        {QStringLiteral("GroupBox1"), QStringLiteral("Port settings")},
        {QStringLiteral("GroupBox2"), QStringLiteral("Remote settings")},
        {QStringLiteral("chktabledefi"), QStringLiteral("Convert table definitions only")},
        {QStringLiteral("chkskipindex"), QStringLiteral("Skip converting indexes")},
        {QStringLiteral("chkuppercase"), QStringLiteral("Make names uppercase")},
        {QStringLiteral("chkroundvalues"), QStringLiteral("Round values to the target column")},
        {QStringLiteral("chkconstraints"), QStringLiteral("Keys and constraints")},
        {QStringLiteral("helpurl"), QStringLiteral("help/en/index.html")},
        {QStringLiteral("queryclose"), QStringLiteral("Close this Wizard ?")},
    };
}

CaptionTable makeChinese()
{
    return {
        {QStringLiteral("Label1"), QStringLiteral("欢迎")},
        {QStringLiteral("Label2"), QStringLiteral("连接Oracle")},
        {QStringLiteral("Label3"), QStringLiteral("连接MYSQL")},
        {QStringLiteral("Label4"), QStringLiteral("设置")},
        {QStringLiteral("Label5"), QStringLiteral("选择要转换的表")},
        {QStringLiteral("Label6"), QStringLiteral("完成转换")},
        {QStringLiteral("Label7"), QStringLiteral("欢迎使用数据库转换向导")},
        {QStringLiteral("Label8"), QStringLiteral("")},
        {QStringLiteral("Label9"), QStringLiteral("本向导将实现Oracle的表到Mysql的转换")},
        {QStringLiteral("Label10"), QStringLiteral("点击 'Next' 按钮进行下一步")},
        {QStringLiteral("Label11"), QStringLiteral("请提供连接到Mysql 的必要信息")},
        {QStringLiteral("Label12"), QStringLiteral("用户名:")},
        {QStringLiteral("Label13"), QStringLiteral("密码:")},
        {QStringLiteral("Label15"), QStringLiteral("数据库名称 :")},
        {QStringLiteral("Label14"), QStringLiteral("Host:")},
        {QStringLiteral("edtport111"), QStringLiteral("端口号:")},
        {QStringLiteral("Label16"), QStringLiteral("(网络名称或IP地址)")},
        {QStringLiteral("Label17"), QStringLiteral("(Default Mysql Port is 3306)")},
        {QStringLiteral("Label18"), QStringLiteral("请提供连接到Oracle 的必要信息")},
        {QStringLiteral("Label19"), QStringLiteral("")},
        {QStringLiteral("Label20"), QStringLiteral("")},
        {QStringLiteral("Label21"), QStringLiteral("Service 名称:")},
        {QStringLiteral("Label22"), QStringLiteral("用户名:")},
        {QStringLiteral("Label23"), QStringLiteral("密码:")},
        {QStringLiteral("Label24"), QStringLiteral("转换设置")},
        {QStringLiteral("Label25"), QStringLiteral("MySQL 数据库选择")},
        {QStringLiteral("Label33"), QStringLiteral("字符集")},
        {QStringLiteral("Label26"), QStringLiteral("选择要进行转换的表")},
        {QStringLiteral("Label27"), QStringLiteral("Mysql 表")},
        {QStringLiteral("Label28"), QStringLiteral("已选择表")},
        {QStringLiteral("Label29"), QStringLiteral("已经完成转换")},
        {QStringLiteral("Label30"), QStringLiteral("向导已经完成Orccle 数据库到Mysql的转换.")},
        // The total comes first in Chinese: %2 is the tables processed, %1 those with failures.
        {QStringLiteral("Label31"), QStringLiteral("转换已完成,但有错误: %2 个表中有 %1 个表失败。请查看上面的信息。")},
        {QStringLiteral("Label32"), QStringLiteral("点击 'Finish' 离开本向导.")},
        {QStringLiteral("accessmode"), QStringLiteral("存取模式")},
        {QStringLiteral("processtable"), QStringLiteral("如何处理已经存在的表:")},
        {QStringLiteral("authorization"), QStringLiteral("登陆设置")},
        {QStringLiteral("GroupBox1"), QStringLiteral("Port settings")},
        {QStringLiteral("GroupBox2"), QStringLiteral("远程连接设置")},
        {QStringLiteral("chktabledefi"), QStringLiteral("只转换表定义(不导入数据)")},
        {QStringLiteral("chkskipindex"), QStringLiteral("选中则不处理索引")},
        {QStringLiteral("chkuppercase"), QStringLiteral("名称转换为大写")},
        {QStringLiteral("chkroundvalues"), QStringLiteral("将数值舍入到目标列的精度")},
        {QStringLiteral("chkconstraints"), QStringLiteral("键和约束")},
        {QStringLiteral("helpurl"), QStringLiteral("help/zh/index.html")},
        {QStringLiteral("queryclose"), QStringLiteral("退出向导 ?")},
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
