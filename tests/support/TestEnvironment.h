#pragma once

#include <QString>
#include <QTemporaryDir>

// A private data directory and settings folder for one test, removed afterwards.
// Creating it points the per-user settings store at the temporary folder.
class TestEnvironment {
public:
    TestEnvironment();
    QString dataDirectory() const { return m_data.path(); }
    QString settingsDirectory() const { return m_settings.path(); }
    QString path(const QString& name) const;
    // The folder of formula.mdb of a lottery (by index), where velmora-cli keeps it.
    QString lotteryFolder(int lottery = 0) const;

private:
    QTemporaryDir m_data;
    QTemporaryDir m_settings;
};
