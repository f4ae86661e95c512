// hostsim's page: a DXF file dropped on the page is sent to the host, which opens it as the
// drawing (or says why not in the transcript); the page then shows it to its extents, as it
// shows every drawing opened.
import {hostFetch} from "./host.js";
import {showText} from "./session.js";

// The body is the file's text; the name only labels the host's messages.
async function openDroppedFile(file) {
  const response = await hostFetch("open?name=" + encodeURIComponent(file.name), {
    method: "POST",
    headers: {"Content-Type": "application/octet-stream"},
    body: file,
  });
  const answer = await response.json().catch(() => ({refused: "The drawing was not opened."}));
  if (answer.refused && !answer.refused.startsWith("hostsim:")) {
    showText(answer.refused + "\n");  // the host's own refusals are in the transcript already
  }
}

function draggingFiles(event) {
  return event.dataTransfer && Array.from(event.dataTransfer.types || []).includes("Files");
}

document.addEventListener("dragover", (event) => {
  if (!draggingFiles(event)) return;
  event.preventDefault();
  event.dataTransfer.dropEffect = "copy";
});

document.addEventListener("drop", (event) => {
  if (!draggingFiles(event)) return;
  event.preventDefault();  // the browser would otherwise leave the page to show the file
  const file = event.dataTransfer.files[0];
  if (file) openDroppedFile(file);
});
