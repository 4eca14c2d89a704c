#include "JobFile.h"

#include "data/Errors.h"
#include "data/TextFiles.h"
#include "wizard/IntegerText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace qv {

namespace {

QString fullPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The text up to its first NUL, cut into lines. A final line break adds no
// empty line; empty lines elsewhere are kept.
QStringList splitLines(QStringView text)
{
    if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
        text = text.left(nul);
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        lines.append(text.mid(start, i - start).toString());
        i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        lines.append(text.mid(start).toString());
    return lines;
}

QString decode(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

int integerValue(const QString& text)
{
    const std::optional<int> number = parseIntegerText(text);
    if (!number)
        throw ConversionError(QStringLiteral("''%1'' is not a valid integer value").arg(text));
    return *number;
}

}  // namespace

QStringList jobLines(const ConversionSettings& v)
{
    using S = ConversionSettings;
    QStringList lines{
        QStringLiteral("accessmode=") + QString::number(v.accessMode),
        QStringLiteral("mysqldatabase=") + v.database,
        QStringLiteral("port=") + v.port,
        QStringLiteral("mysqlu=") + v.user,
        QStringLiteral("mysqlp=") + v.password,
        QStringLiteral("host=") + v.host,
        QStringLiteral("oracleh=") + v.oracleService,
        QStringLiteral("oracleu=") + v.oracleUser,
        QStringLiteral("oraclep=") + v.oraclePassword,
        QStringLiteral("processtable=") + QString::number(v.existingTablePolicy),
        QStringLiteral("character_set=") + v.characterSetText(),
        QStringLiteral("tabledefonly=") + S::flagText(v.tableDefinitionsOnly),
        QStringLiteral("skipindex=") + S::flagText(v.skipIndexes),
        QStringLiteral("nameuppercase=") + S::flagText(v.namesUppercase),
        QStringLiteral("roundvalues=") + S::flagText(v.roundValues),
        QStringLiteral("constraints=") + S::flagText(v.keysAndConstraints),
        QStringLiteral("alltables=") + S::flagText(v.tables.all),
        QStringLiteral("sslmode=") + v.sslMode,
        QStringLiteral("sslca=") + v.sslCa,
        QStringLiteral("cleartextlogin=") + S::flagText(v.clearTextLogin),
    };
    if (!v.tables.all)
        for (qsizetype i = 0; i < v.tables.names.size(); ++i)
            lines.append(QStringLiteral("tables") + QString::number(i + 1) + u'=' + v.tables.names.at(i));
    return lines;
}

QByteArray jobFileBytes(const ConversionSettings& settings)
{
    return crlfText(jobLines(settings));
}

void writeJobFile(const QString& path, const ConversionSettings& settings)
{
    writeOwnerOnlyFile(path, jobFileBytes(settings));
}

QString changeFileExt(const QString& path, const QString& extension)
{
#ifdef Q_OS_WIN
    const qsizetype nameStart = std::max({path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'), path.lastIndexOf(u':')}) + 1;
#else
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
#endif
    const qsizetype dot = path.lastIndexOf(u'.');
    const qsizetype cut = dot >= nameStart ? dot : path.size();
    return path.left(cut) + extension;
}

JobFile JobFile::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(path), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(file.errorString());
    return fromBytes(bytes);
}

JobFile JobFile::fromBytes(const QByteArray& bytes)
{
    const QByteArrayView view(bytes);
    QString text;
    if (view.startsWith("\xFF\xFE"))
        text = decode(QStringConverter::Utf16LE, view.sliced(2));
    else if (view.startsWith("\xFE\xFF"))
        text = decode(QStringConverter::Utf16BE, view.sliced(2));
    else if (view.startsWith("\xEF\xBB\xBF"))
        text = decode(QStringConverter::Utf8, view.sliced(3));
    else
        text = decode(QStringConverter::Utf8, view);
    return JobFile(splitLines(text));
}

QString JobFile::value(const QString& key) const
{
    for (const QString& line : lines_) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        if (QStringView(line).left(equals).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1);
    }
    return {};
}

void applyJob(const JobFile& job, ConversionSettings& v)
{
    using S = ConversionSettings;
    v.accessMode = S::clampedChoice(integerValue(job.value(QStringLiteral("accessmode"))), S::accessModeCount);
    v.database = job.value(QStringLiteral("mysqldatabase"));
    v.user = job.value(QStringLiteral("mysqlu"));
    v.password = job.value(QStringLiteral("mysqlp"));
    v.host = job.value(QStringLiteral("host"));
    v.port = job.value(QStringLiteral("port"));
    v.oracleService = job.value(QStringLiteral("oracleh"));
    v.oracleUser = job.value(QStringLiteral("oracleu"));
    v.oraclePassword = job.value(QStringLiteral("oraclep"));
    v.characterSetEntry = S::characterSetEntryOf(job.value(QStringLiteral("character_set")));
    v.characterSetTyped.reset();
    v.existingTablePolicy = S::clampedChoice(integerValue(job.value(QStringLiteral("processtable"))), S::policyCount);
    v.tableDefinitionsOnly = S::flagOf(job.value(QStringLiteral("tabledefonly")));
    v.namesUppercase = S::flagOf(job.value(QStringLiteral("nameuppercase")));
    v.skipIndexes = S::flagOf(job.value(QStringLiteral("skipindex")));
    v.roundValues = S::flagOf(job.value(QStringLiteral("roundvalues")));
    v.keysAndConstraints = S::flagOf(job.value(QStringLiteral("constraints")));
    // Checked when the connection opens, so that a job's log tells it.
    v.sslMode = job.value(QStringLiteral("sslmode"));
    v.sslCa = job.value(QStringLiteral("sslca"));
    v.clearTextLogin = S::flagOf(job.value(QStringLiteral("cleartextlogin")));
}

TableSelection jobTables(const JobFile& job)
{
    TableSelection tables;
    tables.all = job.value(QStringLiteral("alltables")) == QLatin1String("1");
    if (tables.all)
        return tables;
    // Every line counts towards the range, with or without "=".
    for (int i = 0; i < job.lineCount(); ++i)
        if (const QString name = job.value(QStringLiteral("tables") + QString::number(i)); !name.isEmpty())
            tables.names << name;
    return tables;
}

}  // namespace qv
