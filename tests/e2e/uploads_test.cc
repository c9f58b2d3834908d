// Files sent with a form, through the built insert and show: a stored file
// arrives byte for byte under its generated name and downloads again; every
// refusal (no uploads, an ending, each size limit, a broken body, a failed
// store) leaves neither a record nor a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/cgi_run.h"
#include "support/multipart_body.h"
#include "support/test_home.h"

namespace {

const char kGroup[] = "vars=CDT\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n";

// Bytes no text reader keeps whole: NULs, CR LF, lines that begin like the
// boundary, and more than one 64 KiB piece of the body.
std::string awkwardBytes(size_t size) {
  std::string bytes;
  for (size_t i = 0; bytes.size() < size; ++i) {
    bytes += static_cast<char>((i * 131 + 7) % 256);
    if (i % 997 == 0) bytes += std::string("\0\r\n--XyY\r\n--Xy", 15);
  }
  bytes.resize(size);
  return bytes;
}

// Regular files under `folder`, however deep.
int filesUnder(const std::string& folder) {
  int count = 0;
  if (!pathExists(folder)) return 0;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
    if (item.is_regular_file()) ++count;
  return count;
}

struct Site {
  explicit Site(const std::string& options, const std::string& group = kGroup) {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", group);
    if (!options.empty()) home.write("shop.grp.options", options);
    home.write("order.msg", "Stored <var &label>.\n");
  }
  CgiResult post(const std::string& body, const std::string& contentLength = "") {
    Environment env = postEnvironment(home.path(), "insert", "shop", "formid=order", body);
    env["CONTENT_TYPE"] = kMultipartType;
    if (!contentLength.empty()) env["CONTENT_LENGTH"] = contentLength;
    return runCgi(programPath("insert"), env, body);
  }
  CgiResult show(const std::string& query) {
    return runCgi(programPath("show"),
                  postEnvironment(home.path(), "show", "shop", query, "password=Secret"),
                  "password=Secret");
  }
  std::string uploads() const { return home.file("orders.files/"); }
  TestHome home;
};

const char kOptions[] = "uploadEndings=pdf txt\n";

TEST(Uploads, FilesAreStoredUnderGeneratedNamesAndDownloadAgain) {
  Site site(kOptions);
  std::string report = awkwardBytes(150000);
  std::string notes = awkwardBytes(3000);
  CgiResult stored = site.post(
      textPart("name", "Ana") + filePart("cv", "C:\\\\My\\\\report.pdf", report) +
      filePart("cv", "notes \\\"1\\\".TXT", notes) + textPart("cv", "forged (f9.bin, 5 bytes)") +
      filePart("unused", "", "") + kMultipartEnd);
  ASSERT_EQ(stored.output, "Content-type: text/html\n\nStored Q-42.\n");
  EXPECT_EQ(site.home.read("orders.files/q-42/f1.bin"), report);
  EXPECT_EQ(site.home.read("orders.files/q-42/f2.bin"), notes);
  EXPECT_EQ(filesUnder(site.uploads()), 2);
  EXPECT_EQ(site.home.read("orders.dat"),
            "&LABEL==Q-42\n&FORMID==order\nname==Ana\ncv==report.pdf (f1.bin, 150000 bytes)\n"
            "cv==notes \"1\".TXT (f2.bin, 3000 bytes)\ncv==forged (f9.bin, 5 bytes)\n\n");

  std::string page = site.show("label=Q-42&catalog=orders").output;
  EXPECT_NE(page.find("<li>notes &quot;1&quot;.TXT (3000 bytes) <form method=post "
                      "action=\"/cgi-bin/show.exe/shop?label=Q-42&amp;catalog=orders&amp;file="
                      "f2.bin\""),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("f9.bin\""), std::string::npos) << "a file that is not there is offered";

  CgiResult download = site.show("label=Q-42&catalog=orders&file=f2.bin");
  EXPECT_EQ(
      download.output,
      "Content-type: application/octet-stream\nCache-Control: no-store\n"
      "X-Frame-Options: DENY\nContent-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
      "X-Content-Type-Options: nosniff\n"
      "Content-Disposition: attachment; filename=\"notes _1_.TXT\"; "
      "filename*=UTF-8''notes%20%221%22.TXT\n"
      "Content-Length: 3000\n\n" +
          notes);
  std::string whole = site.show("label=Q-42&catalog=orders&file=f1.bin").output;
  EXPECT_EQ(whole.substr(whole.find("\n\n") + 2), report);

  for (const char* bad : {"f9.bin", "f3.bin", "f01.bin", "../orders.dat", "f1.bin/"}) {
    CgiResult refused = site.show(std::string("label=Q-42&catalog=orders&file=") + bad);
    EXPECT_EQ(refused.output.rfind("Status: 404 Not Found\nContent-type: text/html\n", 0), 0u)
        << bad << "\n"
        << refused.output.substr(0, 300);
  }
}

TEST(Uploads, PathInTheFileNameNeverReachesTheDisk) {
  Site site("uploadEndings=html\n");
  ASSERT_EQ(site.post(filePart("page", "../../x.html", "<b>hi</b>") + kMultipartEnd).status, 0);
  EXPECT_EQ(site.home.read("orders.files/q-42/f1.bin"), "<b>hi</b>");
  EXPECT_EQ(filesUnder(site.uploads()), 1);
  for (const auto& item : std::filesystem::recursive_directory_iterator(site.home.path()))
    EXPECT_NE(item.path().filename(), "x.html");
  EXPECT_FALSE(pathExists(site.home.path() + "../../x.html"));
  EXPECT_NE(site.home.read("orders.dat").find("page==x.html (f1.bin, 9 bytes)\n"),
            std::string::npos);
}

TEST(Uploads, RefusedSubmissionsLeaveNothing) {
  const std::string twoKiB = awkwardBytes(2048);
  struct Row {
    const char* what;
    std::string options;
    std::string body;
    std::string status;
    std::string message;
    std::string contentLength = "";
  } rows[] = {
      {"uploads not allowed", "", filePart("cv", "cv.pdf", twoKiB) + kMultipartEnd,
       "415 Unsupported Media Type", "This form cannot receive files"},
      {"an ending not allowed", kOptions, filePart("cv", "cv.pdf.exe", twoKiB) + kMultipartEnd,
       "415 Unsupported Media Type", "it accepts files ending in: pdf, txt"},
      {"a file over its limit", "uploadEndings=*\nuploadMaxFile=1K\n",
       filePart("cv", "cv", twoKiB) + kMultipartEnd, "413 Content Too Large",
       "at most 1 KiB a file and 25 MiB for all"},
      {"files over their total", "uploadEndings=*\nuploadMaxFile=2K\nuploadMaxTotal=3K\n",
       filePart("a", "a.pdf", twoKiB) + filePart("b", "b.pdf", twoKiB) + kMultipartEnd,
       "413 Content Too Large", "A file sent with the form is too large"},
      {"the group's space full", "uploadEndings=*\nuploadMaxDisk=10K\n",
       filePart("a", "a.pdf", twoKiB) + kMultipartEnd, "413 Content Too Large",
       "The site's space for files is full"},
      {"a body cut short in a file", kOptions,
       textPart("name", "Ana") + filePart("cv", "cv.pdf", twoKiB).substr(0, 1500),
       "400 Bad Request", "damaged or incomplete"},
      {"text beyond the body limit beside a file", "uploadEndings=*\n",
       filePart("cv", "cv.pdf", "%PDF") +
           [] {
             std::string text;
             for (int i = 0; i < 17; ++i) text += textPart("t", std::string(1 << 20, 't'));
             return text;
           }() +
           kMultipartEnd,
       "413 Content Too Large", "more than the site accepts"},
      {"a body longer than text and files may be", "uploadEndings=*\nuploadMaxTotal=1K\n",
       textPart("name", "Ana"), "413 Content Too Large", "more than the site accepts",
       std::to_string(16 * 1024 * 1024 + 1025)},
  };
  for (const Row& row : rows) {
    Site site(row.options);
    site.home.write("orders.files/old/f1.bin", std::string(9 * 1024, 'x'));
    CgiResult result = site.post(row.body, row.contentLength);
    EXPECT_EQ(result.status, 1) << row.what;
    EXPECT_EQ(result.output.rfind("Status: " + row.status + "\n", 0), 0u) << row.what << "\n"
                                                                          << result.output;
    EXPECT_NE(result.output.find(row.message), std::string::npos) << row.what;
    EXPECT_FALSE(site.home.exists("orders.dat")) << row.what;
    EXPECT_EQ(site.home.read("shop.grp"), kGroup) << row.what;
    EXPECT_EQ(filesUnder(site.uploads()), 1) << row.what;
  }
}

// A series member that the posted fields choose gets its folder when the
// record is stored; the files were spooled beside the current member.
TEST(Uploads, FilesFollowTheSeriesMemberThePostChooses) {
  Site site(kOptions,
            "vars=CDT\nform=order\ncatalog=log*period order log[YYYY][MM].dat\n"
            "label=Q-\ncount=41\n");
  CgiResult result =
      site.post(textPart("period", "202312") + filePart("cv", "cv.pdf", "%PDF") + kMultipartEnd);
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(site.home.read("log202312.files/q-42/f1.bin"), "%PDF");
  EXPECT_EQ(filesUnder(site.home.path() + "log202312.files"), 1);
  for (const auto& item : std::filesystem::recursive_directory_iterator(site.home.path()))
    EXPECT_FALSE(item.path().filename().string().starts_with("upload."))
        << "a spooled file left: " << item.path();
}

// A text part that names its charset is stored in the page's; without a
// page charset (English) or with one of another kind its bytes stay.
TEST(Uploads, TextPartOfAnotherCharsetIsConverted) {
  const std::string part =
      "--XyZ\r\nContent-Disposition: form-data; name=\"n\"\r\nContent-Type: text/plain; "
      "charset=ISO-8859-2\r\n\r\n\xB9pela\r\n--XyZ--\r\n";
  struct Row {
    const char* query;
    std::string stored;
  } rows[] = {
      {"formid=order&language=slo,utf8,UTF-8", "n==\xC5\xA1pela\n"},
      {"formid=order&language=slo,latin2,ISO-8859-2", "n==\xB9pela\n"},
      {"formid=order", "n==\xB9pela\n"},
  };
  for (const Row& row : rows) {
    Site site("");
    Environment env = postEnvironment(site.home.path(), "insert", "shop", row.query, part);
    env["CONTENT_TYPE"] = kMultipartType;
    EXPECT_EQ(runCgi(programPath("insert"), env, part).status, 0) << row.query;
    EXPECT_NE(site.home.read("orders.dat").find(row.stored), std::string::npos) << row.query;
  }
}

// The catalog cannot be written (a folder stands at its name): the files
// already moved to the record's folder go again, with the folder.
TEST(Uploads, FailedStoreLeavesNoFile) {
  Site site(kOptions);
  std::filesystem::create_directory(site.home.file("orders.dat"));
  CgiResult result = site.post(filePart("cv", "cv.pdf", "%PDF") + kMultipartEnd);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("Cannot open file"), std::string::npos) << result.output;
  EXPECT_EQ(filesUnder(site.uploads()), 0);
  EXPECT_FALSE(site.home.exists("orders.files/q-42"));
  EXPECT_EQ(site.home.read("shop.grp"), kGroup);
}

}  // namespace
