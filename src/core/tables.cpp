#include "core/tables.h"

#include <utility>

namespace velnora::core {

void EnvironmentTable::Clear() {
    for (auto& row : rows_) {
        row.keyName.clear();
        row.keyPath.clear();
    }
    count_ = 0;
    complete_ = false;
}

void EnvironmentTable::CountNextRow() {
    if (Full())
        __builtin_trap();
    ++count_;
}

void EnvironmentTable::SwapRows(int a, int b) {
    if (a == b)
        return;
    std::swap(rows_[Checked(a)], rows_[Checked(b)]);
}

InstallerCatalogue::InstallerCatalogue()
    : rows_(std::make_unique<std::array<InstallerEntry, kCatalogueCapacity>>()) {}

const InstallerEntry& InstallerCatalogue::Entry(std::size_t index) const {
    const InstallerEntry* entry = Find(index);
    if (entry == nullptr)
        __builtin_trap();
    return *entry;
}

const InstallerEntry* InstallerCatalogue::Find(std::size_t index) const {
    if (index >= count_)
        return nullptr;
    return &(*rows_)[index];
}

bool InstallerCatalogue::Append(InstallerEntry entry) {
    if (count_ >= rows_->size())
        return false;
    (*rows_)[count_++] = std::move(entry);
    return true;
}

void InstallerCatalogue::Clear() {
    for (std::size_t i = 0; i < count_; ++i)
        (*rows_)[i] = InstallerEntry{};
    count_ = 0;
}

}  // namespace velnora::core
