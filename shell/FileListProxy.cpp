#include "shell/FileListProxy.h"

#include <charconv>
#include <limits>
#include <string_view>

#include "shell/FileListModel.h"

namespace varnok {

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

QChar UpperAscii(QChar c) {
    return c >= u'a' && c <= u'z' ? QChar(static_cast<char16_t>(c.unicode() - u'a' + u'A')) : c;
}

// Byte order of the upper-cased texts, which for UTF-8 is the order of the
// characters' code points.
bool LessIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(UpperAscii(a[i]));
        const auto cb = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

// The number a cell starts with ("45%" is 45); a cell without one, such as the
// empty ratio of an empty entry, comes before every number.
std::int64_t LeadingNumber(const std::string& text) {
    std::int64_t value = std::numeric_limits<std::int64_t>::min();
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// `*` matches any run of characters and `?` any one character; the match is of
// the whole text. On a mismatch after a `*`, that star takes one more character
// and the rest is tried again, which needs no recursion.
bool GlobMatches(QStringView pattern, QStringView text) {
    qsizetype p = 0, t = 0, star = -1, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && (pattern[p] == u'?' || UpperAscii(pattern[p]) == UpperAscii(text[t]))) {
            ++p;
            ++t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace

bool RowLess(const ListRow& a, const ListRow& b, Column column) {
    switch (column) {
        case Column::Filename:
        case Column::Path: return LessIgnoringAsciiCase(a[column], b[column]);
        case Column::Packed: return a[column] < b[column];
        case Column::PackedSize: return a.packedSize < b.packedSize;
        case Column::OriginalSize: return a.originalSize < b.originalSize;
        case Column::Ratio:
        case Column::FileNr: return LeadingNumber(a[column]) < LeadingNumber(b[column]);
    }
    return false;
}

ListFilter::ListFilter(const QString& text) {
    if (text.isEmpty()) return;
    const bool wildcards = text.contains(u'*') || text.contains(u'?');
    pattern_ = wildcards ? text : QLatin1Char('*') + text + QLatin1Char('*');
}

bool ListFilter::Matches(const ListRow& row) const {
    if (pattern_.isEmpty()) return true;
    const QString name = QString::fromStdString(row[Column::Filename]);
    const QString path = QString::fromStdString(row[Column::Path]);
    return GlobMatches(pattern_, name) || GlobMatches(pattern_, path) || GlobMatches(pattern_, path + name);
}

FileListProxy::FileListProxy(FileListModel* source, QObject* parent) : QSortFilterProxyModel(parent), source_(*source) {
    setSourceModel(source);
}

void FileListProxy::SetFilterText(const QString& text) {
    filter_ = ListFilter(text);
    invalidateRowsFilter();
}

bool FileListProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const ListRow& a = source_.Row(left.row());
    const ListRow& b = source_.Row(right.row());
    const auto column = static_cast<Column>(left.column());
    if (RowLess(a, b, column)) return true;
    if (RowLess(b, a, column)) return false;
    // Equal keys keep the entries in table order, whichever way the list runs.
    return sortOrder() == Qt::AscendingOrder ? left.row() < right.row() : left.row() > right.row();
}

bool FileListProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    return !sourceParent.isValid() && filter_.Matches(source_.Row(sourceRow));
}

}  // namespace varnok
