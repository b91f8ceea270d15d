// A settings store on a fresh temporary file, as the real one but private to one test.
#pragma once

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace rimglider::test {

class TestStore {
  public:
    TestStore() : settings_(std::make_unique<QSettings>(path(), QSettings::IniFormat)) {}

    QSettings& settings() { return *settings_; }
    QString path() const { return dir_.filePath(QStringLiteral("Rimglider.conf")); }
    // What a fresh process would read from the file.
    std::unique_ptr<QSettings> reopened() const { return std::make_unique<QSettings>(path(), QSettings::IniFormat); }
    QStringList storedKeys() const { return reopened()->allKeys(); }

  private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
};

} // namespace rimglider::test
