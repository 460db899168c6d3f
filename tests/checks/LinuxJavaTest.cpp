#include "checks/LinuxRuntimes.h"
#include "tests/checks/CheckTestSupport.h"

#include <gtest/gtest.h>

using namespace signseek;
using namespace signseek::test;
using namespace std::chrono_literals;

namespace {

// A runtime folder with bin/java and a release file, reached from a search
// path folder through a link, as the alternatives system lays it out.
class JavaInstall : public ::testing::Test {
protected:
    std::wstring Read(const std::string& searchPath)
    {
        return LinuxJavaVersionReader({searchPath, dir / "default-java", 5s}).Read();
    }
    void Runtime(const std::string& release, const std::string& banner)
    {
        WriteScript(dir / "jvm/jdk-1/bin/java", "echo \"$1\" >> '" + dir / "java-args" + "'\n" + banner);
        if (!release.empty()) WriteFile(dir / "jvm/jdk-1/release", release);
        std::filesystem::create_directories(dir / "path");
        std::filesystem::create_symlink(dir / "jvm/jdk-1/bin/java", dir / "path/java");
    }
    TempFolder dir;
};

}  // namespace

TEST_F(JavaInstall, ReleaseFileOfTheRuntimeBehindThePathLink)
{
    Runtime("IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"1.8.0_151\"\nOS_NAME=\"Linux\"\n",
            "echo 'java version \"9.9.9\"' >&2\n");
    EXPECT_EQ(Read(dir / "path"), L"1.8.0_151");
    EXPECT_FALSE(std::filesystem::exists(dir / "java-args"));  // java was not started
}

TEST_F(JavaInstall, VersionPrintedByJavaWithoutAUsableReleaseFile)
{
    Runtime("JAVA_VERSION=\"\"\n", "echo 'Picked up _JAVA_OPTIONS: -Xmx1g' >&2\n"
                                   "echo 'openjdk version \"17.0.9\" 2023-10-17' >&2\necho 'OpenJDK Runtime' >&2\n");
    EXPECT_EQ(Read(dir / "path" + ":/usr/bin:/bin"), L"17.0.9");
    EXPECT_EQ(ReadFile(dir / "java-args"), "-version\n");
}

TEST_F(JavaInstall, FailingOrHangingJavaReadsAsNone)
{
    Runtime("", "echo 'java version \"1.8.0_151\"' >&2; exit 1\n");
    EXPECT_EQ(Read(dir / "path"), L"");
    std::filesystem::remove(dir / "jvm/jdk-1/bin/java");
    WriteScript(dir / "jvm/jdk-1/bin/java", "sleep 30\n");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LinuxJavaVersionReader({dir / "path" + ":/usr/bin:/bin", dir / "default-java", 300ms}).Read(), L"");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(JavaInstall, DefaultRuntimeFolderWhenNoJavaIsOnThePath)
{
    std::filesystem::create_directories(dir / "empty");
    EXPECT_EQ(Read(dir / "empty"), L"");
    WriteFile(dir / "default-java/release", "JAVA_VERSION=\"11.0.2\"\n");
    EXPECT_EQ(Read(dir / "empty"), L"11.0.2");
    WriteFile(dir / "default-java/release", "JAVA_VERSION=\"" + std::string(MAX_VERSION_LENGTH + 1, '1') + "\"\n");
    EXPECT_EQ(Read(dir / "empty"), L"");
}

TEST(JavaVersionText, ReleaseValuesAndBanners)
{
    EXPECT_EQ(ReleaseJavaVersion("JAVA_VERSION=\"1.8.0_151\"\r\n"), "1.8.0_151");
    EXPECT_EQ(ReleaseJavaVersion("JAVA_VERSION=9.0.4"), "9.0.4");
    EXPECT_EQ(ReleaseJavaVersion("JAVA_RUNTIME_VERSION=\"1\"\nJAVA_VERSION=\"2\"\n"), "2");
    EXPECT_EQ(ReleaseJavaVersion("JAVA_VERSION=\"\"\n"), std::nullopt);
    EXPECT_EQ(ReleaseJavaVersion(" JAVA_VERSION=\"1\"\n"), std::nullopt);
    EXPECT_EQ(ReleaseJavaVersion(""), std::nullopt);

    EXPECT_EQ(JavaVersionFromBanner("java version \"1.8.0_151\"\nJava(TM) SE Runtime"), "1.8.0_151");
    EXPECT_EQ(JavaVersionFromBanner("openjdk version \"25\" 2025-09-16\n"), "25");
    EXPECT_EQ(JavaVersionFromBanner("openjdk version \"\"\n"), std::nullopt);
    EXPECT_EQ(JavaVersionFromBanner("openjdk version \"17\n"), std::nullopt);
    EXPECT_EQ(JavaVersionFromBanner("Error: could not find libjava.so\n"), std::nullopt);
}
