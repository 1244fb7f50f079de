// quex run end to end: the example modules over the bundled and generated
// data, compared exactly, and the failure paths.
#include "quex_process.h"

namespace {

std::string exampleModule(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_MODULE_DIR) + "/" + name);
}
std::string exampleData(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_DATA_DIR) + "/" + name);
}

const char kOrdersOut[] = "order,item,price,quantity,discount\n"
                          "1,\"Tea, green\",4.5,3,0.5\n"
                          "2,Coffee beans,12.25,1,\n"
                          "3,\"Mug \"\"large\"\"\",7,2,1\n"
                          "4,Filter papers,2.1,0,0\n"
                          "5,Kettle,39.9,1,5\n";

class QuexRun : public QuexProcessTest {};

TEST_F(QuexRun, DeriveAppendsComputedFieldsWarnsOnceAndAnswersStats) {
  QuexResult r = quex("run " + exampleModule("derive") + " --input " + exampleData("orders.csv") +
                      " --params " + exampleData("derive-params.xml") +
                      " --output out.csv --request stats");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readFile(file("out.csv")),
            "order,item,price,quantity,discount,total,unit_discount\n"
            "1,\"Tea, green\",4.5,3,0.5,13,0.16666666666666666\n"
            "2,Coffee beans,12.25,1,,,\n"
            "3,\"Mug \"\"large\"\"\",7,2,1,13,0.5\n"
            "4,Filter papers,2.1,0,0,0,\n"
            "5,Kettle,39.9,1,5,34.9,5\n");
  EXPECT_EQ(r.err,
            "warning derive 20: division by zero in unit_discount at record 4; the result is "
            "null\n");
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), // after the XML declaration
            "<Statistics derivedFields=\"2\" divisionsByZero=\"1\" nullResults=\"3\" "
            "records=\"5\"/>\n");
}

TEST_F(QuexRun, CsvSourceReadsTheFileUnderKeyInputWithBulkFetch) {
  QuexResult r = quex("run " + exampleModule("csvsource") + " --file input=" +
                      exampleData("orders.csv"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, kOrdersOut);
  EXPECT_EQ(r.err, "information csvsource 11: 5 records read, 0 malformed rows skipped\n");
}

TEST_F(QuexRun, CsvSourceSkipsMalformedRowsWithTheirLineNumbers) {
  writeFile(file("in.csv"), "a,b\n1,x\n2\n3,\"y\"z\n\"4\",\"multi\nline\"\n5,ok\n");
  writeFile(file("params.xml"),
            "<Parameters><DataModel><Fields><Field name=\"b\" storage=\"string\"/></Fields>"
            "</DataModel></Parameters>");
  QuexResult r = quex("run " + exampleModule("csvsource") +
                      " --file input=in.csv --params params.xml");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "a,b\n1,x\n4,\"multi\nline\"\n5,ok\n");
  EXPECT_EQ(r.err,
            "warning csvsource 10: line 3: 1 fields where the header has 2; the row is skipped\n"
            "warning csvsource 10: line 4: text follows the closing quote of a field; the row is "
            "skipped\n"
            "information csvsource 11: 3 records read, 2 malformed rows skipped\n");
}

TEST_F(QuexRun, BulkFetchCarriesManyBatchesUnchanged) {
  std::string csv = "id,x,name\n", expected = csv;
  for (int i = 1; i <= 2500; ++i) {
    std::string row = std::to_string(i) + "," + std::to_string(i) + ".5,n" + std::to_string(i);
    csv += row + "\n";
    expected += row + "\n";
  }
  writeFile(file("big.csv"), csv);
  QuexResult r = quex("run " + exampleModule("csvsource") + " --file input=big.csv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

// Runs that fail: the exit code (1 for a module or run failure, 2 for bad
// input or a bad command line), what reached standard output, and the message
// on standard error, exact or (ending in "...") a part of it.
TEST_F(QuexRun, FailuresEndTheRunWithTheirExitCodeAndOneClearMessage) {
  const std::string csvsource = "run " + exampleModule("csvsource");
  const std::string derive = "run " + exampleModule("derive") + " --input ";
  const std::string orders = derive + exampleData("orders.csv");
  const std::string probe = "run " + testModule("harness_probe") + " --params params.xml";
  const std::string configure = "quex: qx_component_configure failed: QX_ERR_MODULE_SPECIFIC (1), ";
  const std::string realA = "<DataModel><Fields><Field name=\"a\" storage=\"real\"/>";
  using Files = std::vector<std::pair<const char*, std::string>>;
  const std::string abc = "a,b\n1,2\n3,x\n";
  const struct { Files files; std::string run; int exitCode; std::string out, err; } rows[] = {
      {{}, csvsource, 1, "",
       configure + "error code 1: no input file: give one under the file-path key \"input\" "
                   "(quex: --file input=PATH)\n"},
      {{}, csvsource + " --file input=nowhere.csv", 1, "",
       configure + "error code 3: cannot open " + dir_ + "/nowhere.csv for reading\n"},
      {{{"params.xml", "<Parameters><KeyedValue name=\"bad\" value=\"price * item\"/></Parameters>"}},
       orders + " --params params.xml", 1, "",
       configure + "error code 3: derived field 'bad': unknown field 'item' at position 9 of "
                   "'price * item' (fields must be integer or real)\n"},
      {{}, orders + " --request hello --output out.csv", 1, "",
       "qx_component_request failed: QX_ERR_INVALID_REQUEST (21)..."},
      {{}, csvsource + " --file input=" + exampleData("orders.csv") +
       " --request stats --output out.csv", 1, "",
       "qx_component_beginInteraction failed: QX_ERR_INVALID_OPERATION (3)..."},
      {{{"in.csv", "price,quantity\n1,2\n3,\"4\n"}}, derive + "in.csv", 2, "",
       "quex: in.csv line 3: a quoted field is not closed\n"},
      // An input data model overrides the inference and must match the header.
      {{{"in.csv", abc},
        {"model.xml", realA + "<Field name=\"b\" storage=\"integer\"/></Fields></DataModel>"},
        {"params.xml", "<Parameters><KeyedValue name=\"c\" value=\"a*2\"/></Parameters>"}},
       derive + "in.csv --input-model model.xml --params params.xml", 2, "a,b,c\n1,2,2\n",
       "quex: in.csv line 3: value 'x' of field b is not an integer\n"},
      {{{"in.csv", abc}, {"model.xml", realA + "</Fields></DataModel>"}},
       derive + "in.csv --input-model model.xml", 2, "",
       "quex: model.xml has 1 fields, in.csv has 2 columns\n"},
      {{{"params.xml", "short-values"}}, probe, 1, "n\n",
       "quex: output record 1: field n (integer) has a value of 4 bytes; integer and real values "
       "have 8\n"},
      // The XML service's own message goes with it, never among the records.
      {{{"params.xml", "bad-model"}}, probe, 1, "",
       "Caught unknown exception\nquex: the module's output data model: the data model document "
       "is not well-formed XML\n"},
      {{{"params.xml", "bad-model storage"}}, probe, 1, "",
       "quex: the module's output data model: field n of the data model has storage 'int'; known "
       "are integer, real, string, date, time and timestamp\n"},
      {{}, "run " + testModule("harness_probe") + " --output /nonexistent/out.csv", 2, "",
       "quex: cannot write /nonexistent/out.csv\n"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.run);
    for (const auto& [name, contents] : row.files) writeFile(file(name), contents);
    const QuexResult r = quex(row.run);
    EXPECT_EQ(r.exitCode, row.exitCode);
    EXPECT_EQ(r.out, row.out);
    const size_t part = row.err.size() - 3;
    if (row.err.compare(part, 3, "...") == 0)
      EXPECT_NE(r.err.find(row.err.substr(0, part)), std::string::npos) << r.err;
    else
      EXPECT_EQ(r.err, row.err);
  }
}

TEST_F(QuexRun, CtrlCCancelsTheExecutionAndEndsCleanly) {
  writeFile(file("params.xml"), "interrupt");
  QuexResult r = quex("run " + testModule("harness_probe") + " --params params.xml");
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_EQ(r.out, "n\n1\n2\n3\n");
  EXPECT_EQ(r.err, "probe: cancel received\nquex: cancelled after 3 records\n");

  r = quex("run " + testModule("harness_probe_nocancel") + " --params params.xml");
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_EQ(r.out, "n\n1\n2\n3\n");
  EXPECT_EQ(r.err, "quex: cancelled after 3 records\n");
}

// A password kept out of the process list: from a file or the environment.
TEST_F(QuexRun, PasswordsComeFromTheValueAFileOrTheEnvironment) {
  writeFile(file("params.xml"), "show-password");
  writeFile(file("pw.txt"), "from file\nsecond line\n");
  const std::string run = "run " + testModule("harness_probe") + " --params params.xml ";
  const struct {
    const char *environment, *password;
    int exitCode;
    const char* err;
  } rows[] = {
      {"", "db=plain", 1, "password=plain"},
      {"", "db=@pw.txt", 1, "password=from file"},
      {"QUEX_TEST_SECRET=from-env ", "db=env:QUEX_TEST_SECRET", 1, "password=from-env"},
      {"", "db=@missing.txt", 2, "quex: --password db: cannot read missing.txt\n"},
      {"", "db=env:QUEX_TEST_NO_SUCH_VARIABLE",
       2, "quex: --password db: the environment has no QUEX_TEST_NO_SUCH_VARIABLE\n"}};
  for (const std::string& mode : {std::string(), " --child=" + shellQuote(QUEX_CHILD_BINARY)}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.password + mode);
      const QuexResult r =
          quex(run + "--password " + shellQuote(row.password) + mode, row.environment);
      EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
      EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
  }
  EXPECT_NE(quex("run --help").out.find("KEY=env:VAR"), std::string::npos);
}

TEST_F(QuexRun, TraceLevelTwoShowsTheCallsOnStandardError) {
  QuexResult r = quex("run " + testModule("harness_probe") + " --trace 2 --output out.csv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.rfind("loaded library: (harness_probe)\n[ENTER qx_initialise]\n", 0), 0u)
      << r.err;
  EXPECT_NE(r.err.find("[EXIT qx_cleanup]: Status=QX_OK ( ErrorCode=0 )\n"), std::string::npos);
  EXPECT_EQ(r.err.find("[ENTER qx_component_nextRecord"), std::string::npos)
      << "per-record calls trace from level 3 on";
}

} // namespace
