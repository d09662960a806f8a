// The fixture every black-box test of the tool starts from: a sandbox holding a copy of the tool
// and the fake converter, and a stand-in PDF named book.pdf in the working folder.
#pragma once

#include <gtest/gtest.h>

#include <QString>

#include "support/tool_sandbox.h"

class ToolTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(setUpSandbox(sandbox));
        ASSERT_TRUE(writeFile(inWork("book.pdf"), "%PDF-1.4\n"));
    }
    QString inWork(const QString& relative) const { return sandbox.workFolder + "/" + relative; }

    ToolSandbox sandbox;
};
