#include "messaging/received/receivedfilesmodel.h"
#include "messaging/received/tests/testentries.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace tessan {
namespace {

// Dates are shown in local time; these tests run in a fixed zone eight hours east of UTC.
const bool kZoneSet = [] {
    setenv("TZ", "CST-8", 1);
    tzset();
    return true;
}();

QStringList Column(const ReceivedFilesModel& model, int column) {
    QStringList cells;
    for (int row = 0; row < model.rowCount(); ++row)
        cells.append(model.data(model.index(row, column), Qt::DisplayRole).toString());
    return cells;
}

TEST(ReceivedFileEntryTest, FieldsAreReadWithinTheirWidths) {
    QByteArray record(364, '\0');
    const QByteArray full32(32, 'k');
    record.replace(0, 32, QByteArray(32, '1'));  // number without terminator
    record.replace(32, 4, Gbk("李四"));
    record.replace(64, 32, full32);  // key fills its field
    record.replace(96, 260, QByteArray(260, 'n'));
    record[356] = '\x01';
    record[357] = '\x04';  // 1025
    record[363] = '\x7f';
    const auto entries = ReceivedFileEntry::ParseAll(record + QByteArray(363, 'x'));
    ASSERT_EQ(entries.size(), 1u);  // the partial second record is left out
    const ReceivedFileEntry& e = entries[0];
    EXPECT_EQ(e.senderNumber, QByteArray(32, '1'));
    EXPECT_EQ(e.senderName, Gbk("李四"));
    EXPECT_EQ(e.senderKey, full32);
    EXPECT_EQ(e.storedName, QByteArray(260, 'n'));
    EXPECT_EQ(e.FileName(), QByteArray(260, 'n'));  // no "@": the whole name
    EXPECT_EQ(e.fileSize, 1025u);
    EXPECT_EQ(e.sentTime, 0x7f000000u);
    EXPECT_EQ(e.Serialize(), record);

    EXPECT_EQ(Entry("0086-10-2", "a@b.txt").FileName(), "a@b.txt");  // after the first "@" only
    EXPECT_TRUE(ReceivedFileEntry::ParseAll(QByteArray(363, 'x')).empty());
}

TEST(ReceivedFilesModelTest, EntriesOfOneReplyAppearNewestFirstWithTheirCells) {
    ReceivedFilesModel model;
    EXPECT_EQ(model.AddEntries({Entry("0086-10-2", "一.txt", 0, 0),
                                Entry("0086-10-3", "二.doc", 1, 86400, "王五"),
                                Entry("0086-10-4", "三.wav", 1024, 1700000000)}),
              3);
    EXPECT_EQ(Column(model, 0), (QStringList{u"三.wav"_qs, u"二.doc"_qs, u"一.txt"_qs}));
    EXPECT_EQ(Column(model, 1), (QStringList{u"0086-10-4"_qs, u"0086-10-3"_qs, u"0086-10-2"_qs}));
    EXPECT_EQ(Column(model, 2), (QStringList{u"李四"_qs, u"王五"_qs, u"李四"_qs}));
    EXPECT_EQ(Column(model, 3), (QStringList{u"1KB"_qs, u"1KB"_qs, u"0KB"_qs}));
    EXPECT_EQ(Column(model, 4), (QStringList{u"2023-11-15 06:13:20"_qs, u"1970-01-02 08:00:00"_qs,
                                             u"1970-01-01 08:00:00"_qs}));
    EXPECT_EQ(model.At(0).storedName, "0086-10-4@" + Gbk("三.wav"));
    EXPECT_EQ(model.At(0).senderKey, "key-0086-10-4");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), u"文件长度"_qs);

    // A later reply goes on top of the earlier one.
    model.AddEntries({Entry("0086-10-5", "四", 1025)});
    EXPECT_EQ(Column(model, 0).first(2), (QStringList{u"四"_qs, u"三.wav"_qs}));
    EXPECT_EQ(model.At(0).sizeText, u"2KB"_qs);
    EXPECT_EQ(model.FileCount(), 4);
    EXPECT_EQ(model.TotalBytes(), 0 + 1 + 1024 + 1025);
}

TEST(ReceivedFilesModelTest, RepeatedEntriesAddNoRowAndLeaveTheCountersAlone) {
    ReceivedFilesModel model;
    model.AddEntries({Entry("0086-10-2", "a.txt", 10), Entry("0086-10-3", "a.txt", 20)});
    int inserted = 0;
    QObject::connect(
        &model, &QAbstractItemModel::rowsInserted, &model,
        [&](const QModelIndex&, int first, int last) { inserted += last - first + 1; });
    // Same sender and name again, also twice within one reply; only the new one is added.
    EXPECT_EQ(model.AddEntries({Entry("0086-10-2", "a.txt", 999), Entry("0086-10-4", "b", 30),
                                Entry("0086-10-4", "b", 30), Entry("0086-10-3", "a.txt", 20)}),
              1);
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(model.FileCount(), 3);
    EXPECT_EQ(model.TotalBytes(), 60);
    EXPECT_EQ(Column(model, 0), (QStringList{u"b"_qs, u"a.txt"_qs, u"a.txt"_qs}));

    // After clearing, the same entries are new again.
    model.Clear();
    EXPECT_EQ(model.FileCount(), 0);
    EXPECT_EQ(model.TotalBytes(), 0);
    EXPECT_EQ(model.AddEntries({Entry("0086-10-2", "a.txt", 10)}), 1);
}

TEST(ReceivedFilesModelTest, KilobytesRoundUpAndTheSummaryFollowsTheFormula) {
    EXPECT_EQ(ReceivedFilesModel::SizeText(0), u"0KB"_qs);
    EXPECT_EQ(ReceivedFilesModel::SizeText(1), u"1KB"_qs);
    EXPECT_EQ(ReceivedFilesModel::SizeText(1024), u"1KB"_qs);
    EXPECT_EQ(ReceivedFilesModel::SizeText(1025), u"2KB"_qs);
    EXPECT_EQ(ReceivedFilesModel::SizeText(0xffffffffu), u"4194304KB"_qs);
    EXPECT_EQ(ReceivedFilesModel::Kilobytes(-1), 1);  // truncated to 0, plus 1 for the remainder
    EXPECT_EQ(ReceivedFilesModel::Kilobytes(-1024), -1);
    EXPECT_EQ(ReceivedFilesModel::Kilobytes(-1025), 0);

    ReceivedFilesModel model;
    model.AddEntries({Entry("0086-10-2", "a", 30000), Entry("0086-10-2", "b", 1)});
    auto s = model.Summary(1024 * 1024);
    EXPECT_EQ(s.text, u"共有文件:2个,总长度:30KB,剩余空间:995KB."_qs);
    EXPECT_EQ(s.barMaximum, 102);
    EXPECT_EQ(s.barValue, 2);

    // Used space above the quota: the remaining size is what the formula gives, the bar is full.
    s = model.Summary(10240);
    EXPECT_EQ(s.text, u"共有文件:2个,总长度:30KB,剩余空间:-18KB."_qs);
    EXPECT_EQ(s.barMaximum, 1);
    EXPECT_EQ(s.barValue, 1);

    // Files of more than 2 GiB together are counted whole.
    model.AddEntries(
        {Entry("0086-10-3", "big1", 0xffffffffu), Entry("0086-10-3", "big2", 1u << 31)});
    EXPECT_EQ(model.TotalBytes(), 30001 + 0xffffffffLL + (1LL << 31));
    EXPECT_EQ(model.Summary(0).text, u"共有文件:4个,总长度:6291486KB,剩余空间:-6291484KB."_qs);
}

TEST(ReceivedFilesModelTest, CheckBoxesSitInTheFirstColumn) {
    ReceivedFilesModel model;
    model.AddEntries({Entry("0086-10-2", "a"), Entry("0086-10-2", "b")});
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable);
    EXPECT_TRUE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_FALSE(model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(model.IsChecked(1));
    EXPECT_FALSE(model.IsChecked(0));
    model.SetAllChecked(true);
    EXPECT_EQ(model.CheckedCount(), 2);
}

}  // namespace
}  // namespace tessan
