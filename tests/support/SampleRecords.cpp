#include "tests/support/SampleRecords.h"

#include <QStringList>

namespace kestro::test {

ConfigRecord numberedRecord(const QString& name, const QString& firmware, int32_t slaveId,
                            int32_t baud, float first) {
    ConfigRecord record;
    record.Name = name;
    record.FirmwareVersion = firmware;
    record.SlaveID = slaveId;
    record.Baud = baud;
    for (const auto field : ConfigFloats)
        record.*field = first++;
    return record;
}

std::string describe(const ConfigRecord& record) {
    QStringList fields{record.Name, record.FirmwareVersion.toUtf8().toHex(),
                       QString::number(record.SlaveID), QString::number(record.Baud)};
    for (const auto field : ConfigFloats)
        fields << QString::number(record.*field, 'g', 9);
    fields << QString::number(record.CalControl, 16);
    return fields.join(" | ").toStdString();
}

}  // namespace kestro::test
