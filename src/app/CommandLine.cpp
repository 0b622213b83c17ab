#include "app/CommandLine.h"

#include "app/AppNames.h"
#include "text/CharClass.h"
#include "text/Codepage.h"

#include <cstddef>

namespace {

// Where the words of a command line come from. A product word is taken up to white space;
// an option value is one argument as the platform's command line groups it.
class WordSource {
public:
    virtual ~WordSource() = default;
    // The next word, as white space separates; false when none is left.
    virtual bool nextWord(std::string& word) = 0;
    // The next argument, grouped as the platform quotes; false when none is left.
    virtual bool nextArgument(std::string& argument) = 0;
};

class TextSource : public WordSource {
public:
    explicit TextSource(const std::string& text) : text_(text) {}

    bool nextWord(std::string& word) override
    {
        skipSpace();
        const std::size_t begin = pos_;
        while (pos_ < text_.size() && !IsCSpace(text_[pos_]))
            ++pos_;
        word = text_.substr(begin, pos_ - begin);
        return !word.empty();
    }

    // The rules of the Windows C runtime: quotation marks group and are dropped, ""
    // inside a group is one quotation mark, backslashes are literal unless they precede a
    // quotation mark, where each pair gives one backslash and an odd one makes the mark
    // literal.
    bool nextArgument(std::string& argument) override
    {
        skipSpace();
        if (pos_ == text_.size())
            return false;
        argument.clear();
        bool quoted = false;
        while (pos_ < text_.size() && (quoted || !IsCSpace(text_[pos_]))) {
            const char c = text_[pos_];
            if (c == '\\') {
                std::size_t count = 0;
                while (pos_ < text_.size() && text_[pos_] == '\\') {
                    ++count;
                    ++pos_;
                }
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    argument.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        argument += '"';
                        ++pos_;
                    }
                } else {
                    argument.append(count, '\\');
                }
            } else if (c == '"') {
                if (quoted && pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                    argument += '"';
                    pos_ += 2;
                } else {
                    quoted = !quoted;
                    ++pos_;
                }
            } else {
                argument += c;
                ++pos_;
            }
        }
        return true;
    }

private:
    void skipSpace()
    {
        while (pos_ < text_.size() && IsCSpace(text_[pos_]))
            ++pos_;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

class VectorSource : public WordSource {
public:
    explicit VectorSource(const std::vector<std::string>& words) : words_(words) {}

    bool nextWord(std::string& word) override
    {
        for (;;) {
            while (pos_ < current_.size() && IsCSpace(current_[pos_]))
                ++pos_;
            if (pos_ < current_.size()) {
                const std::size_t begin = pos_;
                while (pos_ < current_.size() && !IsCSpace(current_[pos_]))
                    ++pos_;
                word = current_.substr(begin, pos_ - begin);
                return true;
            }
            if (index_ == words_.size())
                return false;
            current_ = words_[index_++];
            pos_ = 0;
        }
    }

    // The rest of the argument the last word came from, or else the next argument whole.
    bool nextArgument(std::string& argument) override
    {
        while (pos_ < current_.size() && IsCSpace(current_[pos_]))
            ++pos_;
        if (pos_ < current_.size()) {
            argument = current_.substr(pos_);
            pos_ = current_.size();
            return true;
        }
        if (index_ == words_.size())
            return false;
        argument = words_[index_++];
        current_.clear();
        pos_ = 0;
        return true;
    }

private:
    const std::vector<std::string>& words_;
    std::size_t index_ = 0;
    std::string current_;
    std::size_t pos_ = 0;
};

bool IsOption(const std::string& word)
{
    return word.size() >= 2 && word[0] == '-' && word[1] == '-';
}

// Takes an option's value into value; false, with the reason in error, when it is missing.
bool TakeValue(WordSource& source, const std::string& option, const char* what,
               std::optional<std::string>& value, std::string& error)
{
    if (value) {
        error = option + " is given twice";
        return false;
    }
    std::string argument;
    if (!source.nextArgument(argument) || argument.empty() || IsOption(argument)) {
        error = option + " needs " + what;
        return false;
    }
    value = argument;
    return true;
}

CommandLine Parse(WordSource& source)
{
    CommandLine line;
    std::vector<std::string> productWords;
    std::string word;
    while (line.error.empty() && source.nextWord(word)) {
        if (!IsOption(word)) {
            productWords.push_back(word);
        } else if (word == "--quiet") {
            line.quiet = true;
        } else if (word == "--no-start") {
            line.noStart = true;
        } else if (word == "--repair") {
            line.repair = true;
        } else if (word == "--dir") {
            TakeValue(source, word, "a directory", line.directory, line.error);
        } else if (word == "--uninstall") {
            TakeValue(source, word, "a product name", line.uninstallProduct, line.error);
        } else if (word == "--finish-removal") {
            if (TakeValue(source, word, "a process number", line.finishRemovalProcess, line.error)) {
                std::optional<std::string> directory;
                if (TakeValue(source, word, "a process number and a directory", directory, line.error))
                    line.finishRemovalDirectory = *directory;
            }
        } else {
            line.error = "unknown option " + word;
        }
    }
    if (!line.error.empty())
        return line;
    if (line.uninstallProduct && (!productWords.empty() || line.directory || line.noStart || line.repair))
        line.error = "--uninstall takes no product to update, --dir, --no-start or --repair";
    std::string text;
    for (const std::string& productWord : productWords)
        text += productWord + " ";
    line.startup = ReadStartupArguments(text);
    return line;
}

} // namespace

const std::string& CommandLine::product() const
{
    return uninstallProduct ? *uninstallProduct : startup.productName;
}

CommandLine ParseArgumentsText(const std::string& argumentsText)
{
    TextSource source(argumentsText);
    return Parse(source);
}

CommandLine ParseArgumentWords(const std::vector<std::string>& words)
{
    VectorSource source(words);
    return Parse(source);
}

std::vector<std::string> ArgumentWords(int argc, const char* const* argv)
{
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i)
        words.push_back(Cp1252FromUtf8(argv[i]));
    return words;
}
