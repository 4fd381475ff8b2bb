# Turns README.md into the program's own documentation page, a whole HTML page in UTF-8 (the
# converter gives only the body), with the headings' anchors the README links to.
#   cmake -DMARKDOWN=markdown_py -DREADME=README.md -DPAGE=out.html -P readme_to_html.cmake
execute_process(COMMAND ${MARKDOWN} -x extra -x toc -o html ${README}
                OUTPUT_VARIABLE body RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${MARKDOWN} could not read ${README}: ${errors}")
endif()
file(WRITE ${PAGE} "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<title>Quillmap</title>
<style>body { max-width: 52em; margin: 2em auto; padding: 0 1em; font-family: sans-serif; line-height: 1.4 }
pre, code { background: #f4f4f4 } pre { padding: 0.5em; overflow-x: auto }
table { border-collapse: collapse } td, th { border: 1px solid #ccc; padding: 0.2em 0.5em; vertical-align: top }
img { max-width: 100% }</style>
</head>
<body>
${body}</body>
</html>
")
