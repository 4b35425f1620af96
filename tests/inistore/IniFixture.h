#pragma once
// A scratch folder for store tests, with helpers to put bytes into a file
// and take them out again.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "platform/IniStore.h"

namespace kestro::test {

class IniFixture : public ::testing::Test {
  protected:
    QString path(const QString& name = "test.ini") const { return dir_.filePath(name); }
    void put(const QByteArray& bytes, const QString& name = "test.ini") const;
    QByteArray take(const QString& name = "test.ini") const;
    // An opened store on a file holding `bytes`.
    IniStore storeOn(const QByteArray& bytes, const QString& name = "test.ini") const;
    // The names in the scratch folder, to see that no temporary file is left.
    QStringList entries() const;

  private:
    QTemporaryDir dir_;
};

}  // namespace kestro::test
