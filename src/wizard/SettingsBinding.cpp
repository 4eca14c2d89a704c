// Which control shows which input of ConversionSettings.

#include "ListNames.h"
#include "RadioGroup.h"
#include "Taaform1.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace qv {

ConversionSettings Taaform1::settings() const
{
    ConversionSettings s;
    s.accessMode = accessmode->itemIndex();
    s.host = edthost->text();
    s.port = edtport->text();
    s.database = edtdatabase->text();
    s.user = edtname->text();
    s.password = edtpassword->text();
    s.characterSetEntry = cbcharset->currentIndex();
    s.setCharacterSetText(cbcharset->currentText());
    s.oracleService = edtservice->text();
    s.oracleUser = edtoracleusername->text();
    s.oraclePassword = edtoraclepassword->text();
    s.existingTablePolicy = processtable->itemIndex();
    s.tableDefinitionsOnly = chktabledefi->isChecked();
    s.skipIndexes = chkskipindex->isChecked();
    s.namesUppercase = chkuppercase->isChecked();
    s.roundValues = chkroundvalues->isChecked();
    s.keysAndConstraints = chkconstraints->isChecked();
    s.sslMode = tls_.sslMode;
    s.sslCa = tls_.sslCa;
    s.clearTextLogin = tls_.clearTextLogin;
    s.tables.names = namesOf(selecttables);
    return s;
}

void Taaform1::applySettings(const ConversionSettings& s)
{
    accessmode->setItemIndex(ConversionSettings::clampedChoice(s.accessMode, accessmode->itemCount()));
    edthost->setText(s.host);
    edtport->setText(s.port);
    edtdatabase->setText(s.database);
    edtname->setText(s.user);
    edtpassword->setText(s.password);
    cbcharset->setCurrentIndex(s.characterSetEntry >= 0 && s.characterSetEntry < cbcharset->count()
                                   ? s.characterSetEntry
                                   : -1);
    cbcharset->setEditText(s.characterSetText());  // also over text typed before
    edtservice->setText(s.oracleService);
    edtoracleusername->setText(s.oracleUser);
    edtoraclepassword->setText(s.oraclePassword);
    processtable->setItemIndex(ConversionSettings::clampedChoice(s.existingTablePolicy, processtable->itemCount()));
    chktabledefi->setChecked(s.tableDefinitionsOnly);
    chkskipindex->setChecked(s.skipIndexes);
    chkuppercase->setChecked(s.namesUppercase);
    chkroundvalues->setChecked(s.roundValues);
    chkconstraints->setChecked(s.keysAndConstraints);
    tls_.sslMode = s.sslMode;
    tls_.sslCa = s.sslCa;
    tls_.clearTextLogin = s.clearTextLogin;
}

QStringList Taaform1::existingTablePolicyCaptions() const
{
    QStringList captions;
    for (const QAbstractButton* item : processtable->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        captions << item->text();
    return captions;
}

void Taaform1::chooseTables(const TableSelection& tables)
{
    if (tables.all) {
        Button2Click();
        return;
    }
    for (const QString& name : tables.names) {
        for (int row = 0; row < availabletables->count(); ++row) {
            if (availabletables->item(row)->text() != name)
                continue;
            availabletables->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
            Button1Click();
            break;
        }
    }
}

}  // namespace qv
