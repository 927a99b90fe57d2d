// imagetool: turns a relocatable object into a code image, and can embed the
// image as section ".vq" into a copy of imagehost.
//
//   imagetool [options] OBJECT -o OUTPUT
//     --host HOST            OUTPUT is a copy of HOST holding the image
//     --entry NAME           the entry function (default ImageMain)
//     --library NAME=LIB     NAME is imported from shared library LIB
//     --resource TYPE:ID:FILE  a resource of four-character TYPE
//     --version X.Y.Z:SHORT:LONG:NAME  the version block
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ElfObject.h"
#include "ImageBuilder.h"

extern char** environ;

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();  // a full disk may show only when the last bytes go out
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> split(const std::string& text, char separator, size_t parts) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() + 1 < parts) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) throw std::runtime_error("expected " + std::to_string(parts) + " fields: " + text);
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    fields.push_back(text.substr(start));
    return fields;
}

ImageResourceInput resource(const std::string& argument) {
    std::vector<std::string> fields = split(argument, ':', 3);
    if (fields[0].size() != 4) throw std::runtime_error("a resource type has four characters: " + fields[0]);
    uint32_t type = 0;
    for (char c : fields[0]) type = type << 8 | uint8_t(c);
    return {type, uint16_t(std::stoi(fields[1])), readFile(fields[2])};
}

void version(const std::string& argument, ImageOptions& options) {
    std::vector<std::string> fields = split(argument, ':', 4);
    std::istringstream numbers(fields[0]);
    std::string number;
    for (int i = 0; i < 3 && std::getline(numbers, number, '.'); ++i) options.versionNumbers[i] = uint8_t(std::stoi(number));
    for (int i = 0; i < 3; ++i) options.versionTexts[i] = fields[i + 1];
    options.hasVersion = true;
}

// objcopy --add-section .vq=IMAGE HOST OUTPUT
void embed(const std::string& host, const std::string& image, const std::string& output) {
    const char* objcopy = std::getenv("OBJCOPY");
    std::string program = objcopy && *objcopy ? objcopy : "objcopy";
    std::string section = ".vq=" + image;
    std::vector<std::string> arguments = {program, "--add-section", section, host, output};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child;
    int status = 0;
    if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0 ||
        waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(program + " could not add the image to " + host);
}

int run(int argc, char** argv) {
    ImageOptions options;
    std::string object, output, host;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::runtime_error(argument + " needs a value");
            return argv[++i];
        };
        if (argument == "-o") output = value();
        else if (argument == "--host") host = value();
        else if (argument == "--entry") options.entry = value();
        else if (argument == "--library") {
            std::vector<std::string> fields = split(value(), '=', 2);
            options.libraryOf[fields[0]] = fields[1];
        } else if (argument == "--resource") options.resources.push_back(resource(value()));
        else if (argument == "--version") version(value(), options);
        else if (object.empty() && argument[0] != '-') object = argument;
        else throw std::runtime_error("unknown argument " + argument);
    }
    if (object.empty() || output.empty()) {
        std::cerr << "usage: imagetool [--host HOST] [--entry NAME] [--library NAME=LIB] "
                     "[--resource TYPE:ID:FILE] [--version X.Y.Z:SHORT:LONG:NAME] OBJECT -o OUTPUT\n";
        return 2;
    }
    std::vector<uint8_t> bytes = readFile(object);
    std::vector<uint8_t> image;
    try {
        image = BuildImage(ReadElfObject(bytes), options);
    } catch (const std::exception& error) {
        throw std::runtime_error(object + ": " + error.what());
    }
    if (host.empty()) {
        writeFile(output, image);
        return 0;
    }
    std::string imageFile = output + ".vq";
    writeFile(imageFile, image);
    try {
        embed(host, imageFile, output);
    } catch (...) {
        std::remove(imageFile.c_str());
        throw;
    }
    std::remove(imageFile.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "imagetool: " << error.what() << "\n";
        return 1;
    }
}
