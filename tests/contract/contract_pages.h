// The one page suite every dialog host runs: each TEST_P states something the pages rely on.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "page_host_under_test.h"
#include "probe/layout_probe_page.h"

namespace velnora::contract {

class PageContract : public ::testing::TestWithParam<PageHostKind> {
  protected:
    void SetUp() override { host_ = GetParam().make(); }

    PageHostUnderTest& Host() { return *host_; }
    // What the layout probe runs its nested page with.
    probe::LayoutProbePage::ModalRunner Runner() {
        return [this](platform::DialogPage& page, const platform::DialogPage* owner) {
            return host_->RunModal(page, owner);
        };
    }

  private:
    std::unique_ptr<PageHostUnderTest> host_;
};

}  // namespace velnora::contract
