#include "tests/inistore/IniFixture.h"

#include <QDir>
#include <QFile>

namespace kestro::test {

void IniFixture::put(const QByteArray& bytes, const QString& name) const {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray IniFixture::take(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

IniStore IniFixture::storeOn(const QByteArray& bytes, const QString& name) const {
    put(bytes, name);
    IniStore store(path(name));
    EXPECT_TRUE(store.Open()) << store.ErrorString().toStdString();
    return store;
}

QStringList IniFixture::entries() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

}  // namespace kestro::test
