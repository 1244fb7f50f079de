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

TEST_F(QuexRun, ModuleErrorShowsStatusCodeAndTheModulesText) {
  QuexResult r = quex("run " + exampleModule("csvsource"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quex: qx_component_configure failed: QX_ERR_MODULE_SPECIFIC (1), error code "
                   "1: no input file: give one under the file-path key \"input\" (quex: --file "
                   "input=PATH)\n");
  r = quex("run " + exampleModule("csvsource") + " --file input=nowhere.csv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("error code 3: cannot open " + dir_ + "/nowhere.csv for reading"),
            std::string::npos)
      << r.err;
}

TEST_F(QuexRun, DeriveRejectsBadExpressionsAndUnknownRequests) {
  writeFile(file("params.xml"),
            "<Parameters><KeyedValue name=\"bad\" value=\"price * item\"/></Parameters>");
  QuexResult r = quex("run " + exampleModule("derive") + " --input " + exampleData("orders.csv") +
                      " --params params.xml");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quex: qx_component_configure failed: QX_ERR_MODULE_SPECIFIC (1), error code "
                   "3: derived field 'bad': unknown field 'item' at position 9 of 'price * item' "
                   "(fields must be integer or real)\n");
  r = quex("run " + exampleModule("derive") + " --input " + exampleData("orders.csv") +
           " --request hello --output out.csv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("qx_component_request failed: QX_ERR_INVALID_REQUEST (21)"),
            std::string::npos)
      << r.err;
}

TEST_F(QuexRun, RequestToAModuleWithoutInteractionFailsCleanly) {
  QuexResult r = quex("run " + exampleModule("csvsource") + " --file input=" +
                      exampleData("orders.csv") + " --request stats --output out.csv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("qx_component_beginInteraction failed: QX_ERR_INVALID_OPERATION (3)"),
            std::string::npos)
      << r.err;
}

TEST_F(QuexRun, MalformedInputCsvStopsTheRunWithItsLine) {
  writeFile(file("in.csv"), "price,quantity\n1,2\n3,\"4\n");
  QuexResult r = quex("run " + exampleModule("derive") + " --input in.csv");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "quex: in.csv line 3: a quoted field is not closed\n");
}

TEST_F(QuexRun, InputModelOverridesInferenceAndMustMatchTheHeader) {
  writeFile(file("in.csv"), "a,b\n1,2\n3,x\n");
  writeFile(file("model.xml"), "<DataModel><Fields><Field name=\"a\" storage=\"real\"/>"
                               "<Field name=\"b\" storage=\"integer\"/></Fields></DataModel>");
  writeFile(file("params.xml"), "<Parameters><KeyedValue name=\"c\" value=\"a*2\"/></Parameters>");
  QuexResult r = quex("run " + exampleModule("derive") +
                      " --input in.csv --input-model model.xml --params params.xml");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "a,b,c\n1,2,2\n");
  EXPECT_EQ(r.err, "quex: in.csv line 3: value 'x' of field b is not an integer\n");

  writeFile(file("model.xml"), "<DataModel><Fields><Field name=\"a\" storage=\"real\"/>"
                               "</Fields></DataModel>");
  r = quex("run " + exampleModule("derive") + " --input in.csv --input-model model.xml");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "quex: model.xml has 1 fields, in.csv has 2 columns\n");
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

TEST_F(QuexRun, NumberValuesOfTheWrongSizeStopTheRun) {
  writeFile(file("params.xml"), "short-values");
  QuexResult r = quex("run " + testModule("harness_probe") + " --params params.xml");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quex: output record 1: field n (integer) has a value of 4 bytes; integer and "
                   "real values have 8\n");
}

TEST_F(QuexRun, UnreadableOutputDataModelStopsTheRunCleanly) {
  writeFile(file("params.xml"), "bad-model");
  QuexResult r = quex("run " + testModule("harness_probe") + " --params params.xml");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("quex: the module's output data model: the data model document is not "
                       "well-formed XML\n"),
            std::string::npos)
      << r.err;
  // The XML service's own message goes with it, never among the records.
  EXPECT_NE(r.err.find("Caught unknown exception\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  writeFile(file("params.xml"), "bad-model storage");
  r = quex("run " + testModule("harness_probe") + " --params params.xml");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quex: the module's output data model: field n of the data model has storage "
                   "'int'; known are integer, real, string, date, time and timestamp\n");
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

TEST_F(QuexRun, UnwritableOutputIsABadCommandLine) {
  QuexResult r = quex("run " + testModule("harness_probe") + " --output /nonexistent/out.csv");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "quex: cannot write /nonexistent/out.csv\n");
}

} // namespace
