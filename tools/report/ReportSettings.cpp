#include "tools/report/ReportSettings.h"

#include "platform/IniStore.h"

namespace kestro::report {

namespace {

const QString kSection = "REPORT";

struct Key {
    const char* name;
    std::string ReportHeader::*field;
};
const Key kKeys[] = {{"Company", &ReportHeader::company},
                     {"Technician", &ReportHeader::technician},
                     {"Site", &ReportHeader::site},
                     {"Notes", &ReportHeader::notes}};

}  // namespace

ReportHeader ReadReportHeader(const QString& iniFile) {
    IniStore store(iniFile);
    store.Open();
    ReportHeader header;
    for (const Key& key : kKeys)
        header.*key.field = store.ReadString(kSection, key.name, "").toStdString();
    return header;
}

bool WriteReportHeader(const QString& iniFile, const ReportHeader& header, QString* error) {
    IniStore store(iniFile);
    store.Open();  // Close refuses to replace a file that could not be read
    for (const Key& key : kKeys)
        store.WriteString(kSection, key.name, QString::fromStdString(header.*key.field));
    if (store.Close())
        return true;
    if (error)
        *error = store.ErrorString();
    return false;
}

}  // namespace kestro::report
