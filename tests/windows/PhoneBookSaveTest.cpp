#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QTemporaryDir>
#include <fstream>

#include "platform/Error.h"
#include "support/AsUser.h"
#include "support/FileContents.h"
#include "windows/PhoneBookFiles.h"

namespace {

// «Запись» writes both new files before replacing either: a failure while writing the second
// leaves the names and the numbers as they were, and no temporary file behind.
TEST(PhoneBookSave, ReplacesBothFilesOrNeither) {
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    const std::string names = dir + "/zvonmat._tf", numbers = dir + "/zvonmat._fm";
    std::ofstream(names) << "old names";
    std::ofstream(numbers) << "old numbers";
    const PhoneBookColumn new_names{"Ivan"}, huge_numbers{std::string(8192, '7')};
    EXPECT_TRUE(support::run_in_child(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);  // a file-size limit cuts the second file short
            const rlimit limit{4096, 4096};
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
            EXPECT_THAT([&] { write_phone_book_pair(names, new_names, numbers, huge_numbers); },
                        testing::ThrowsMessage<platform::Error>("Cannot create file " + numbers +
                                                                ": File too large"));
        },
        support::As::Self));
    EXPECT_EQ(file_contents(names) + file_contents(numbers), "old namesold numbers");
    const std::vector<std::string> both{"zvonmat._fm", "zvonmat._tf"};
    EXPECT_EQ(entry_names(dir), both);

    write_phone_book_pair(names, new_names, numbers, {"123"});
    EXPECT_EQ(file_contents(names), format_phone_book(new_names));
    EXPECT_EQ(file_contents(numbers), format_phone_book({"123"}));
    EXPECT_EQ(entry_names(dir), both);
}

}  // namespace
