// The reader's test fixture: a temporary folder, files written into it, and a session that
// reads them.
#pragma once

#include "data/Readunit.h"
#include "session/Sessionunit.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <string>

inline const std::string GoodHeader = "s 12/25/09 22:15:07 value 1.5 n 10 20 30 40";

inline std::string Items(int count, double first = 1.0) {
    std::ostringstream text;
    for (int i = 0; i < count; ++i)
        text << first + i * 0.5 << (i % 10 == 9 ? "\n" : " ");
    return text.str();
}

class Reader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = Folder.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // The reader's message for a file with this content, or "" when it reads; its detail in
    // Detail.
    std::string MessageFor(const std::string& name, const std::string& content) {
        Detail.clear();
        try {
            Session.Read(Write(name, content));
        } catch (const TReadError& error) {
            Detail = error.Detail();
            return error.what();
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "";
    }

    std::string Detail;

    QTemporaryDir Folder;
    TSession Session;
};
