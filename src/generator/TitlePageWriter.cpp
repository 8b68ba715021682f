#include "generator/TitlePageWriter.h"

#include "generator/PageContext.h"
#include "generator/PageFile.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

bool TitlePageWriter::Write() const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    PageFile file;
    if (!m_ctx.OpenPage(file, "TitlePage.html")) return false;
    PageContext::WriteHead(file, doc.m_strTitle);
    file.Format("h1 {  font-size: 30pt; font-weight: bold; }\n");
    file.Format(".comments { background-color: %s; ; width: 50%%; }\n",
                {PageContext::ColorToHtml(doc.m_clrDocumentBackground)});
    file.Format("-->\n</style>\n");
    file.Format("</head>\n<body>\n");
    file.Format("<h1>%s</h1>\n", {doc.m_strTitle});
    file.Format("<p>Created on %s</p>\n", {PageContext::CreatedDateText(m_ctx.Stamp())});
    if (!doc.m_strComments.empty()) {
        file.Format("<center>\n<div class=\"comments\">\nComments\n");
        file.Format("<p><i>%s</i></p>\n</div>\n</center>\n", {doc.m_strComments});
    }
    file.Format("<p><a href=\"Folder0.html\">Click Here To Proceed</a></p>\n");
    PageContext::WriteMakerLineAndEnd(file);
    return file.Close();
}

}  // namespace foldcraft
