#!/usr/bin/python3
"""Turns the imported example into a site that shows every kind of page.

Reads the project's JSON form (foldcraft-cli info) on standard input and writes
the changed project on standard output, for foldcraft-cli from-json:

  * a title, header, footer and comments for the title page;
  * a web link and a mail link in the root folder;
  * a different button style in each folder (radio buttons, text only,
    graphic buttons, the default icons with picture thumbnails);
  * a hotspot folder, "Harbour map", whose picture links a rectangle, a circle
    and a polygon to a document, a picture and a web link;
  * a document with a future publish date, left out of the site until then;
  * a document left off its folder's page, and one purged a year ago.
"""
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
YEAR = 365 * 86400

project = json.load(sys.stdin)
root = project["m_pRoot"]
publish = root["m_timePublish"]

project.update({
    "m_strTitle": "Harbour Town Archive",
    "m_strComments": "Reports, notes and photographs of the harbour, kept up to date.",
    "m_strHeader": "<b>Harbour Town Archive</b>",
    "m_strFooter": "Published with Foldcraft &mdash; questions to the harbour office.",
    "m_bShowFileSize": 1,
    "m_bShowFileDate": 1,
})
root["m_strLabel"] = "Welcome to the archive. Choose a folder or a document below."
root["m_nFolderButtonStyle"] = 0
root["m_nFileButtonStyle"] = 0


def folder(parent, name):
    for sub in parent["m_arrFolders"]:
        if sub["m_strName"] == name:
            return sub
    raise SystemExit(f"example: folder {name!r} not found")


def document(parent, name):
    for doc in parent["m_arrDocs"]:
        if doc["m_strName"] == name:
            return doc
    raise SystemExit(f"example: document {name!r} not found")


def item(name, link, comment=""):
    return {"class": "CBuildTreeDoc", "m_strName": name, "m_strLink": link,
            "m_strComment": comment, "m_timeFile": publish, "m_timePublish": publish,
            "m_timePurge": publish + YEAR}


def copy(doc, comment=""):
    """A second entry for a document already in the tree."""
    return dict(doc, m_strComment=comment)


root["m_arrDocs"] += [
    item("Harbour authority", "https://harbour.example.org/", "Tides, berths and notices"),
    item("Write to the harbour office", "mailto:office@harbour.example.org"),
]

reports = folder(root, "Reports")
reports["m_strComment"] = "Yearly reports and surveys"
reports["m_nFolderButtonStyle"] = 1            # radio buttons with "Open Folder"
reports["m_nFileButtonStyle"] = 1
reports["m_bShowContentsFor"] = 1
for year in reports["m_arrFolders"]:
    year["m_nFileButtonStyle"] = 3             # graphic buttons
    year["m_nFileButtonGraphic"] = 1           # blue
reports_2026 = folder(reports, "2026")
budget = document(reports_2026, "Budget 2027.pdf")
budget["m_strComment"] = "Published on the first of January 2027"
budget["m_timePublish"] = 1798761600           # 2027-01-01 00:00 UTC
budget["m_timePurge"] = budget["m_timePublish"] + YEAR

notes = folder(root, "Notes")
notes["m_strComment"] = "Minutes and contacts"
notes["m_nFileButtonStyle"] = 2                # text only
# The contacts are copied with the site but left off the Notes page, and last
# winter's minutes were purged a year after they went up: the Build step's tree
# shows both states.
document(notes, "Contacts.csv")["m_bVisible"] = 0
minutes = document(notes, "Meeting notes 2026-03-14.txt")
notes["m_arrDocs"].append(dict(copy(minutes, "Winter timetable"), m_strName="Winter timetable 2024",
                               m_timePublish=publish - 2 * YEAR, m_timePurge=publish - YEAR,
                               m_bPurge=1))

photos = folder(root, "Photos")
photos["m_strComment"] = "Pictures, shown as thumbnails"
photos["m_nFolderButtonStyle"] = 3             # graphic buttons
photos["m_nFolderButtonGraphic"] = 6           # steel

# The hotspot folder: one picture, three areas.
survey = document(folder(reports, "2025"), "Harbour survey.pdf")
harbour = document(photos, "harbour.jpg")
web = item("Harbour authority", "https://harbour.example.org/")
survey_link = f"{survey['m_strName']} ({survey['m_strLink']})"
harbour_link = f"{harbour['m_strName']} ({harbour['m_strLink']})"
web_link = f"{web['m_strName']} ({web['m_strLink']})"
root["m_arrFolders"].append({
    "class": "CBuildTreeFolder", "m_strName": "Harbour map", "m_strLink": "(folder)",
    "m_strComment": "Click a place on the map",
    "m_timeFile": publish, "m_timePublish": publish, "m_timePurge": publish + YEAR,
    "m_strLabel": "The harbour: click the survey, the lighthouse or the marina.",
    "m_bHotspotFolder": 1,
    "m_strHotspotImage": os.path.join(HERE, "pictures", "harbour-map.gif"),
    "m_arrDocs": [copy(survey, "The 2025 survey"), copy(harbour), web],
    "m_arrHotspots": [
        {"class": "CHotspotArea", "m_strLink": survey_link, "m_nShape": 0,
         "m_arrCoords": [40, 60, 170, 120]},
        {"class": "CHotspotArea", "m_strLink": harbour_link, "m_nShape": 1,
         "m_arrCoords": [240, 30, 340, 130]},
        {"class": "CHotspotArea", "m_strLink": web_link, "m_nShape": 2,
         "m_arrCoords": [180, 200, 260, 190, 330, 215, 300, 250, 200, 250]},
    ],
})

json.dump(project, sys.stdout, indent=1)
