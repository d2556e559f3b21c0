// Named hostile inputs: files, clipboard texts, cell texts, formulas and host calls that have
// broken this kind of control before. Each runs in a child process on the small session table
// and must end within its time and memory, leave the invariants intact, leave the table as it
// was where it fails, and fail with a text the user can read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <iostream>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "harness/session.h"

namespace tablique::harness {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSeconds = 30;  // the sanitizers slow everything down and use shadow memory
constexpr long kMemoryKiB = 0;
#else
constexpr int kSeconds = 10;
constexpr long kMemoryKiB = 1L << 20;  // 1 GiB
#endif

enum class Expect { Works, Refused, Either };

struct Case {
  const char* name;
  Expect expect;
  std::function<void(Control&, const std::string& folder)> run;
  const char* knownFault = nullptr;  // issue item of a fault being fixed elsewhere
  bool userChoice = true;  // a refusal is told to the user (host calls throw to their host only)
};

std::string repeat(std::string_view piece, size_t n) {
  std::string s;
  s.reserve(piece.size() * n);
  for (size_t i = 0; i < n; ++i) s += piece;
  return s;
}

void writeFile(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// Opens `bytes` as a text file or imports them as a tbq file.
std::function<void(Control&, const std::string&)> openText(std::string bytes) {
  return [bytes](Control& c, const std::string& folder) {
    writeFile(folder + "/in.txt", bytes);
    c.headless().queueFile(folder + "/in.txt");
    c.opentxt();
  };
}
std::function<void(Control&, const std::string&)> importTbq(std::string bytes) {
  return [bytes](Control& c, const std::string& folder) {
    writeFile(folder + "/in.tbq", bytes);
    c.headless().queueFile(folder + "/in.tbq");
    c.m_dainp();
  };
}
std::function<void(Control&, const std::string&)> paste(std::string text) {
  return [text](Control& c, const std::string&) {
    c.headless().setClipboardText(text);
    c.mouseset(3, 2);
    c.m_paste();
  };
}
// A case's own result differs from what it must give.
struct WrongResult {
  std::string detail;
};

// The formula command at (1, 5) with the formula typed into its input box; with `expected`, the
// text row 1 must show.
std::function<void(Control&, const std::string&)> command(std::string formula, std::string expected = {}) {
  return [formula, expected](Control& c, const std::string&) {
    c.headless().queueInput(formula);
    c.mouseset(1, 5);
    c.m_focal();
    if (!expected.empty() && c.gettext(1, 5) != expected)
      throw WrongResult{"(1, 5) shows \"" + c.gettext(1, 5) + "\", not \"" + expected + "\""};
  };
}
// A special file at a path, opened by a command through the file dialog.
std::function<void(Control&, const std::string&)> openPath(std::function<std::string(const std::string&)> make,
                                                            bool tbq) {
  return [make, tbq](Control& c, const std::string& folder) {
    c.headless().queueFile(make(folder));
    tbq ? c.m_dainp() : c.opentxt();
  };
}
std::function<void(Control&, const std::string&)> saveTo(std::function<std::string(const std::string&)> make,
                                                          bool tbq) {
  return [make, tbq](Control& c, const std::string& folder) {
    c.headless().queueFile(make(folder));
    tbq ? c.m_daexp() : c.savetxt();
  };
}

// A call of the host: a refusal is thrown to the host, who tells the user or not.
Case host(const char* name, Expect expect, std::function<void(Control&, const std::string&)> run) {
  return {name, expect, std::move(run), nullptr, false};
}

std::string fifo(const std::string& folder) {
  const std::string path = folder + "/pipe";
  mkfifo(path.c_str(), 0600);
  return path;
}

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      // ---- text files
      {"txt empty file", Expect::Either, openText("")},
      {"txt 100000 empty lines", Expect::Either, openText(repeat("\r\n", 100000))},
      {"txt one line of 10 MB", Expect::Either, openText(std::string(10'000'000, 'x'))},
      {"txt a million TABs", Expect::Refused, openText(std::string(1'000'000, '\t') + "1\r\n")},
      {"txt 400000 lines", Expect::Refused, openText(repeat("1\r\n", 400000))},
      {"txt GB18030 that is valid UTF-8", Expect::Works, openText("\xd7\xa8\xd2\xb5\t\xce\xaa\r\n")},
      {"txt invalid UTF-8 bytes", Expect::Either, openText("\xff\xfe\xfd\xc0\xc1\xf5\r\n")},
      {"txt lone byte 0x80", Expect::Either, openText("a\x80" "b\r\n")},
      {"txt UTF-16 byte order mark", Expect::Either, openText(std::string("\xff\xfe" "a\0b\0", 6))},
      {"txt NUL bytes", Expect::Either, openText(std::string("a\0b\tc\0\r\n", 8))},
      {"txt begins with U+0008", Expect::Works, openText("\x08" "a\tb\r\n")},
      {"txt unterminated quote", Expect::Either, openText("\"abc\tdef\r\nxyz\r\n")},
      {"txt CR only line ends", Expect::Works, openText("1\r2\r3\r")},
      {"txt emoji halves", Expect::Either, openText("\xf0\x9f\x98\r\n\x80\r\n")},
      // ---- tbq files
      {"tbq empty file", Expect::Either, importTbq("")},
      {"tbq random bytes", Expect::Either, importTbq("\x93\x01\xff,,\x08\x00\r\n\xfe,")},
      {"tbq a million fields", Expect::Refused, importTbq(repeat("\x08" "1,", 1'000'000) + "\x08\r\n")},
      {"tbq 400000 lines", Expect::Refused, importTbq(repeat("\x08" "1,\x08\r\n", 400000))},
      {"tbq negative sizes", Expect::Either, importTbq("\x08" "1,\x08\r\n=-5\x07" "1?-3\x07" "1,\r\n")},
      {"tbq huge sizes", Expect::Either, importTbq("\x08" "1,\x08\r\n=1e30\x07" "1?1e300\x07" "1,\r\n")},
      {"tbq size index 2^31", Expect::Either, importTbq("\x08" "1,\x08\r\n=30\x07" "2147483648?9\x07" "99999999999,\r\n")},
      {"tbq cell formula row 10^11", Expect::Either, importTbq("\x08" "1,\x08\r\n=?,=C1\x04\x0b" "99999999999;\r\n")},
      {"tbq no formula line", Expect::Either, importTbq("\x08" "1,\x08" "2\r\n")},
      {"tbq CR only line ends", Expect::Either, importTbq("\x08" "1,\x08\r\x08" "2,\x08\r=?,\r")},
      // ---- the file system
      {"opentxt a named pipe", Expect::Refused, openPath(fifo, false)},
      {"m_dainp a named pipe", Expect::Refused, openPath(fifo, true)},
      {"opentxt a directory", Expect::Refused, openPath([](const std::string& f) { return f; }, false)},
      {"opentxt a missing file", Expect::Refused, openPath([](const std::string& f) { return f + "/gone.txt"; }, false)},
      {"opentxt a dangling link", Expect::Refused, openPath([](const std::string& f) {
         symlink((f + "/nowhere").c_str(), (f + "/dangling").c_str());
         return f + "/dangling";
       }, false)},
      {"opentxt through a symbolic link", Expect::Works, openPath([](const std::string& f) {
         writeFile(f + "/target.txt", "1\t2\r\n");
         symlink((f + "/target.txt").c_str(), (f + "/link.txt").c_str());
         return f + "/link.txt";
       }, false)},
      {"savetxt into a missing folder", Expect::Refused, saveTo([](const std::string& f) { return f + "/no/such.txt"; }, false)},
      {"savetxt onto a directory", Expect::Refused, saveTo([](const std::string& f) { return f; }, false)},
      {"savetxt with a 250-byte name", Expect::Works, saveTo([](const std::string& f) { return f + "/" + std::string(246, 'n') + ".txt"; }, false)},
      {"savetxt onto a named pipe", Expect::Refused, saveTo(fifo, false)},
      {"m_daexp into a missing folder", Expect::Refused, saveTo([](const std::string& f) { return f + "/no/such.tbq"; }, true)},
      // ---- clipboard texts
      {"paste beyond the cell budget", Expect::Refused, paste(repeat(repeat("1\t", 400) + "1\r\n", 1000))},
      {"paste a forged own copy", Expect::Either, paste("\x08" "1\x08" "2\r\n\x08\x01\x02\r\n")},
      {"paste only TABs", Expect::Works, paste(std::string(60, '\t'))},
      {"paste quoted CR LF", Expect::Works, paste("\"a\r\nb\"\t\"c\"\"d\"\r\n")},
      {"paste a 10 MB cell", Expect::Either, paste(std::string(10'000'000, 'y'))},
      {"paste a lone surrogate", Expect::Works, paste("\xed\xa0\x80\tx\r\n")},
      // ---- cell texts
      host("cell holding CR LF", Expect::Works, [](Control& c, const std::string&) { c.settext(1, 1, "a\r\nb"); c.update(3); }),
      host("cell holding a lone surrogate", Expect::Works, [](Control& c, const std::string&) { c.settext(1, 1, "\xed\xa0\x80"); c.update(3); }),
      host("cell of 1 MB under a formula", Expect::Works, [](Control& c, const std::string&) {
         c.settext(1, 1, std::string(1'000'000, '7'));
         c.formuset(5, "Len(C1)");
         c.update(5);
       }),
      host("cell holding the private marks", Expect::Works, [](Control& c, const std::string&) {
         c.settext(1, 1, "\x01\x02\x03\x04\x07\x08\x0b");
         c.update(3);
       }),
      // ---- formulas through the formula command
      {"formula of 402 terms", Expect::Works, command(repeat("C1+", 401) + "C1", "402")},
      {"formula nested 5000 deep", Expect::Either, command(repeat("(", 5000) + "C1" + repeat(")", 5000))},
      {"Split of a million separators", Expect::Works, command("C1*0+UBound(Split(String(1000000,\",\"),\",\"))", "1000000")},
      {"String of 4 million characters", Expect::Works, command("C1*0+Len(String(4000000,\"x\"))", "4000000")},
      {"String beyond the string limit", Expect::Either, command("C1*0+Len(String(10000000,\"x\"))")},
      {"Replace over 10^6 characters", Expect::Works, command("C1*0+Len(Replace(String(1000000,\"a\"),\"a\",\"bb\"))", "2000000")},
      {"InStrRev over 10^6 characters", Expect::Works, command("C1*0+InStrRev(String(1000000,\"a\"),\"b\")", "0")},
      {"InStr over 10^6 characters", Expect::Works, command("C1*0+InStr(String(1000000,\"a\"),String(1000,\"a\")&\"b\")", "0")},
      {"formula holding $", Expect::Works, command("C1&\"$\"", "1$")},
      {"formula holding ?", Expect::Works, command("C1&\"?\"", "1?")},
      {"formula comparing a reference", Expect::Works, command("(C1>3)&\"?\"", "False?")},
      {"formula calling a function the engine lacks", Expect::Works, command("IIf(C1>3,\"big?\",\"small\")")},
      {"formula holding @", Expect::Works, command("C1&\"@\"", "1@")},
      {"formula holding ;", Expect::Works, command("C1&\";\"", "1;")},
      {"formula referencing its own column", Expect::Either, command("C5+1")},
      {"String of 2^31 characters", Expect::Either, command("C1*0+Len(String(2147483647,\"a\"))")},
      {"Space of 10^9", Expect::Either, command("C1*0+Len(Space(1000000000))")},
      {"formula making Chr(0)", Expect::Works, command("C1&Chr(0)&C2")},
      {"formula making vbCrLf", Expect::Works, command("C1&vbCrLf&C2", "1\r\n3.5")},
      // ---- host calls
      host("rowcol beyond the budget", Expect::Refused, [](Control& c, const std::string&) { c.rowcol(400000, 60); }),
      host("rowcol negative", Expect::Either, [](Control& c, const std::string&) { c.rowcol(-5, -5); }),
      host("addrow 2^31 - 1", Expect::Refused, [](Control& c, const std::string&) { c.addrow(2147483647); }),
      host("addcol beyond the budget", Expect::Either, [](Control& c, const std::string&) { c.addcol(100000); }),
      host("setcolw NaN", Expect::Either, [](Control& c, const std::string&) { c.setcolw(1, std::nanf("")); }),
      host("setrowh infinite", Expect::Either, [](Control& c, const std::string&) { c.setrowh(1, 1e30f); }),
      host("mouseset outside the table", Expect::Either, [](Control& c, const std::string&) { c.mouseset(100000, -3); }),
      host("statis of a text column", Expect::Either, [](Control& c, const std::string&) {
         c.settext(1, 6, "abc");
         c.statis(6);
       }),
      host("psort of 1e309 and -0", Expect::Either, [](Control& c, const std::string&) {
         c.settext(1, 1, "1e309");
         c.settext(2, 1, "-0");
         c.mouseset(1, 1);
         c.psort();
       }),
      host("trans of the largest table", Expect::Either, [](Control& c, const std::string&) {
         c.rowcol(6998, 49);
         c.settext(6998, 49, "x");
         c.trans();
       }),
      {"m_rowins on the largest table", Expect::Either, [](Control& c, const std::string&) {
         c.rowcol(6998, 49);
         c.mouseset(3, 3);
         const TableCopy before = tableOf(c);
         try {
           c.m_rowins();
         } catch (const Error& e) {
           if (!(tableOf(c) == before)) throw WrongResult{"the refused insert changed the table"};
           if (e.userText().empty()) throw WrongResult{"the refused insert has no text for the user"};
           return;
         }
         throw WrongResult{"a row inserted past the cell budget"};
       }},
  };
  return all;
}

// The child's verdict: the check that failed and what was seen, or nothing.
Failure runCase(const Case& k, const std::string& folder) {
  Control c;
  prepare(c);
  const TableCopy before = tableOf(c);
  std::string refusal;
  bool refused = false;
  try {
    k.run(c, folder);
  } catch (const Error& e) {
    refused = true;
    refusal = e.what();
    if (e.userText().empty() && k.userChoice) return {"refusal-user-text", std::string("refused without a text for the user: ") + e.what()};
  } catch (const WrongResult& w) {
    return {"result", w.detail};
  } catch (const std::exception& e) {
    return {"foreign-exception", e.what()};
  }
  const bool told = !refused && !c.headless().messages().empty();  // a refusal the command shows itself
  if (const Failure f = checkInvariants(c)) return f;
  if (refused && !(tableOf(c) == before)) return {"table-intact", "refused (" + refusal + ") but the table changed"};
  if (k.expect == Expect::Works && refused) return {"works", "refused: " + refusal};
  if (k.expect == Expect::Refused && !refused && !told) return {"refused", "accepted; a refusal was expected"};
  return {};
}

class Hostile : public ::testing::TestWithParam<size_t> {};

TEST_P(Hostile, EndsInTimeWithTheTableIntact) {
  const Case& k = cases()[GetParam()];
  char name[] = "/tmp/tablique-hostile-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const std::string folder = name;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    alarm(k.knownFault ? 3 : kSeconds);  // a known hang need not cost the whole limit
    const Failure f = runCase(k, folder);
    const std::string verdict = f ? f.check + "\n" + f.detail : std::string();
    (void)!write(fds[1], verdict.data(), verdict.size());
    _exit(0);
  }
  close(fds[1]);
  std::string verdict;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) verdict.append(buf, size_t(n));
  close(fds[0]);
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::system(("rm -rf '" + folder + "'").c_str());

  Failure problem;
  if (const size_t cut = verdict.find('\n'); cut != std::string::npos)
    problem = {verdict.substr(0, cut), verdict.substr(cut + 1)};
  if (WIFSIGNALED(status))
    problem = WTERMSIG(status) == SIGALRM ? Failure{"time", "did not end within its limit"}
                                          : Failure{"crash", "killed by signal " + std::to_string(WTERMSIG(status))};
  else if (WEXITSTATUS(status) != 0)
    problem = {"crash", "exited with " + std::to_string(WEXITSTATUS(status))};
  else if (kMemoryKiB && usage.ru_maxrss > kMemoryKiB)
    problem = {"memory", "peak memory " + std::to_string(usage.ru_maxrss / 1024) + " MiB"};
  const char* known = k.knownFault ? k.knownFault : problem && isKnownFault(problem.check) ? "knownFaults()" : nullptr;
  if (known) {
    if (problem) std::cout << "known fault (" << known << "): " << problem.check << ": " << problem.detail << "\n";
    else if (k.knownFault) std::cout << "known fault now holds, remove its mark: " << k.knownFault << "\n";
    return;
  }
  EXPECT_FALSE(problem) << k.name << ": " << problem.check << ": " << problem.detail << " (" << seconds << " s, "
                        << usage.ru_maxrss / 1024 << " MiB)";
}

std::string caseName(const ::testing::TestParamInfo<size_t>& info) {
  std::string name;
  for (unsigned char ch : std::string(cases()[info.param].name)) {
    if (std::isalnum(ch)) name += char(ch);
    else if (ch == ' ') name += '_';
    else name += "x" + std::to_string(int(ch));
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, Hostile, ::testing::Range<size_t>(0, cases().size()), caseName);

}  // namespace
}  // namespace tablique::harness
