// Measures the peak memory of reading a CreateOrUpdateParts response from
// XML text: text to node tree to message.
//
//   message_peak_memory [megabytes]
//
// The program writes a response of the given size (50 MB by default) to a
// temporary file, then runs itself again on that file, so that the reading
// process starts fresh: its peak resident size (VmHWM) holds the text, the
// node tree and the message, and none of the memory used to build the
// document.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "BenchDocuments.hpp"

namespace {

namespace Dm = ::Brisvale::Schemas::Cad::_2007_01::Datamanagement;
using ::Brisvale::Soa::Common::Xml::XMLNode;
using ::Brisvale::Soa::Common::Xml::parseXmlDocument;

const char* kReadOption = "--read";

// A field of /proc/self/status, in bytes.
long long statusBytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line))
    {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::atoll(line.c_str() + length + 1) * 1024;
    }
    return -1;
}

double megabytes(long long bytes)
{
    return static_cast<double>(bytes) / (1 << 20);
}

int readAndReport(const char* path)
{
    // Read straight into a string of the file's size, so that loading the
    // text does not itself raise the peak above text size.
    std::string text;
    {
        std::ifstream file(path, std::ios::binary | std::ios::ate);
        text.resize(static_cast<std::size_t>(file.tellg()));
        file.seekg(0);
        file.read(&text[0], static_cast<std::streamsize>(text.size()));
        if (!file)
        {
            std::cerr << "cannot read " << path << '\n';
            return 1;
        }
    }
    std::remove(path);
    const long long before = statusBytes("VmRSS");

    Dm::CreateOrUpdatePartsResponse response;
    std::size_t outputs = 0;
    long long treePeak = 0;
    long long tree = 0;
    {
        std::unique_ptr<XMLNode> root = parseXmlDocument(text);
        treePeak = statusBytes("VmHWM");
        tree = statusBytes("VmRSS");
        response.parse(*root);
        outputs = response.getOutputArray().size();
    }
    const long long peak = statusBytes("VmHWM");
    const long long after = statusBytes("VmRSS");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    const double size = static_cast<double>(text.size());
    std::printf("response text:                %8.1f MB (%zu output entries)\n",
                megabytes(static_cast<long long>(text.size())), outputs);
    std::printf("resident before reading:      %8.1f MB (text included)\n", megabytes(before));
    std::printf("resident with the tree:       %8.1f MB (tree %.2f times the text, bound 16 and 1 MB; peak %.1f MB)\n",
                megabytes(tree), (tree - before) / size, megabytes(treePeak));
    std::printf("peak resident while reading:  %8.1f MB (VmHWM; ru_maxrss %.1f MB)\n",
                megabytes(peak), static_cast<double>(usage.ru_maxrss) / 1024);
    std::printf("resident after reading:       %8.1f MB (text and message)\n", megabytes(after));
    std::printf("peak / text size:             %8.2f\n", peak / size);
    std::printf("(peak - before) / text size:  %8.2f   (what reading added)\n",
                (peak - before) / size);
    return 0;
}

int writeAndMeasure(const char* self, double megabytesWanted)
{
    char path[] = "/tmp/message_peak_memory_XXXXXX";
    const int descriptor = mkstemp(path);
    if (descriptor < 0)
    {
        std::perror("mkstemp");
        return 1;
    }
    close(descriptor);
    {
        const std::string text = Brisvale::Bench::responseTextOfSize(
            static_cast<std::size_t>(megabytesWanted * (1 << 20)));
        std::ofstream file(path, std::ios::binary);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!file)
        {
            std::cerr << "cannot write " << path << '\n';
            std::remove(path);
            return 1;
        }
    }

    const pid_t child = fork();
    if (child < 0)
    {
        std::perror("fork");
        std::remove(path);
        return 1;
    }
    if (child == 0)
    {
        execl(self, self, kReadOption, path, static_cast<char*>(nullptr));
        std::perror("execl");
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::remove(path);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], kReadOption) == 0)
        return readAndReport(argv[2]);
    const double wanted = argc > 1 ? std::atof(argv[1]) : 50.0;
    if (wanted <= 0)
    {
        std::cerr << "usage: " << argv[0] << " [megabytes]\n";
        return 2;
    }
    return writeAndMeasure("/proc/self/exe", wanted);
}
